// The shell's own context menu for one item: built from the item's menu
// object, shown at a point on the screen, the choice handed back as a verb.
// It knows nothing of who asked; the window that shows it passes its messages
// to Forward while the menu is up.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>

#include "browse/shellfolder.h"
#include "ui/handles.h"

namespace pix {

class TShellContextMenu {
 public:
  // The item chosen: its verb ("" for one without) and the command behind it.
  struct TChoice {
    std::string Verb;
    ComPtr<IContextMenu> Menu;
    UINT Command = 0;
    // Has the menu object run the command; true when it succeeded.
    bool Invoke(HWND owner) const;
  };

  // Shows the item's menu for `owner` at a point on the screen and waits for
  // the choice; none when the menu is dismissed or the item has none. An item
  // that can be renamed is offered Rename even where the shell's menu leaves
  // it out.
  std::optional<TChoice> Track(HWND owner, const TShellFolder& item, POINT screen);

  // Sub-menus of the shell's menu draw and fill themselves through messages
  // to the owner: true when one was handled, only while the menu is shown.
  bool Forward(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

 private:
  ComPtr<IContextMenu> shown_;
};

}  // namespace pix
