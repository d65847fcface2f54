// The menu bar: one fixed bar of command buttons and drop-down buttons along the
// top of a window, built on the platform's toolbar control. Items wrap onto more
// rows when the window is too narrow and the bar grows taller. F10 or a lone Alt
// put it into keyboard mode; Alt+character runs or selects the item it names.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "ui/actions.h"
#include "ui/control.h"
#include "ui/handles.h"

namespace pix {

// Docked along the top of its container (align Top); the dock's height is the
// bar's least height, which it grows from as its items wrap.
struct TMenuBarArgs {
  TDock dock = {};
  HIMAGELIST images = nullptr;
};

class TMenuBar : public TControl {
 public:
  enum class TKind { Button, DropDown, Separator };
  struct TItem {
    std::string name;
    TKind kind = TKind::Separator;
    TAction* action = nullptr;      // a button's command
    int imageIndex = -1;            // a drop-down button's own image
    std::vector<TAction*> entries;  // a drop-down's entries; nullptr is a separator
    std::string hint;               // shown when the mouse rests on the item
    bool visible = true;
  };

  ~TMenuBar() override;
  void Create(HWND parent, const TMenuBarArgs& a);

  void AddButton(const std::string& name, TAction& action, const std::string& hint = "");
  void AddDropDown(const std::string& name, int imageIndex, std::vector<TAction*> entries);
  void AddSeparator();
  void SetItemVisible(const std::string& name, bool visible);
  // Other images (the set for another density), another least height.
  void SetImages(HIMAGELIST images);
  void SetMinHeight(int minHeight);
  HIMAGELIST Images() const { return images_; }

  const std::vector<TItem>& Items() const { return items_; }
  int IndexOf(const std::string& name) const;  // -1 when there is none
  // What the control itself shows for an item.
  std::string ShownCaption(int index) const;
  int ShownImage(int index) const;
  bool ShownEnabled(int index) const;
  RECT ItemRect(int index) const;  // in the bar's client coordinates
  HWND HintWindow() const { return tooltip_; }

  // Asks the commands of the visible items to update.
  void UpdateActions();

  // Keyboard access, applied to a message before it is dispatched; true when
  // the bar used the message up.
  bool PreTranslate(MSG& msg);
  bool KeyboardMode() const { return keyboardMode_; }
  // The window lost the activation: keyboard mode, and an Alt pressed alone so
  // far, end there; the keys that follow belong to another window.
  void CancelKeyboard();
  int HotItem() const;
  // Alt with this character: runs, opens or selects the item it names, or beeps.
  void AltChar(wchar_t ch);
  // Opens an item's drop-down below it and runs the entry chosen.
  void DropDown(int index);

  // The refusal sound; MessageBeep(0) unless replaced (tests count it).
  std::function<void()> Beep;
  // Shows a drop-down menu at a screen point and returns the chosen command id
  // (0 for none); TrackPopupMenu unless replaced (tests choose an entry).
  std::function<int(HMENU menu, POINT at)> TrackMenu;

  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  bool HandleReflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  void PrepareDock(const TRect& client) override;

 private:
  void AddItem(TItem item);
  void Present(int index);
  void Relayout();
  void FixButtonWidths();
  void SetButtonWidth(int index, int width);
  void SetWrap(int index, bool wrap);  // a new row after this item
  int RowsHeight() const;
  void EnterKeyboardMode(int hot);
  void LeaveKeyboardMode();
  bool KeyInMode(MSG& msg);
  bool AltKey(MSG& msg);
  void MoveHot(int step);
  bool Usable(int index) const;
  TOwnedMenu BuildMenu(int index, std::vector<TOwnedBitmap>& pictures);
  static LRESULT CALLBACK MenuFilter(int code, WPARAM wp, LPARAM lp);
  void UseItem(int index);
  // The hint window is made at once (`now`), or when the bar shows, or once the
  // loop runs: it is a top-level window, which showing the bar need not wait for.
  void PlaceHint(bool now = false);
  static constexpr UINT kPlaceHint = WM_APP + 0x53;
  std::vector<int> Matches(wchar_t ch) const;

  std::vector<TItem> items_;
  HIMAGELIST images_ = nullptr;
  TOwnedWindow tooltip_;
  int minHeight_ = 0;
  int width_ = 0;
  bool keyboardMode_ = false;
  bool altAlone_ = false;
  bool inDropDown_ = false;
  bool hintAsked_ = false;
  int menuStep_ = 0;  // Right (1) or Left (-1) closed the drop-down
};

// The idle-time refresh: the commands of every visible bar in a visible,
// enabled window update.
void RefreshMenuBars();

}  // namespace pix
