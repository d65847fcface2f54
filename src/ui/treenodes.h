// The nodes of a tree-view control, read and written straight through the
// control's own procedure: requests made by the code that subclassed the
// control need nothing of its subclass, and must not pass through it.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace pix {

class TTreeNodes {
 public:
  TTreeNodes() = default;
  TTreeNodes(HWND tree, WNDPROC proc) : tree_(tree), proc_(proc) {}

  HWND Handle() const { return tree_; }
  // 0 while there is no control.
  LRESULT Send(UINT msg, WPARAM wp, LPARAM lp) const;

  HTREEITEM Root() const { return Next(nullptr, TVGN_ROOT); }
  HTREEITEM Selected() const { return Next(nullptr, TVGN_CARET); }
  HTREEITEM FirstVisible() const { return Next(nullptr, TVGN_FIRSTVISIBLE); }
  // Null for a null node.
  HTREEITEM FirstChild(HTREEITEM node) const { return node ? Next(node, TVGN_CHILD) : nullptr; }
  HTREEITEM NextSibling(HTREEITEM node) const { return node ? Next(node, TVGN_NEXT) : nullptr; }
  HTREEITEM Parent(HTREEITEM node) const { return node ? Next(node, TVGN_PARENT) : nullptr; }

  // Labels go to and from the control as UTF-16: its own conversion of ANSI
  // text need not be UTF-8.
  std::string Label(HTREEITEM node) const;
  void SetLabel(HTREEITEM node, const std::string& label) const;
  LPARAM Data(HTREEITEM node) const;           // 0 for a null node
  bool HasChildrenFlag(HTREEITEM node) const;  // the expand button is drawn
  void SetHasChildrenFlag(HTREEITEM node, bool on) const;
  bool Expanded(HTREEITEM node) const;

  void Select(HTREEITEM node) const { Send(TVM_SELECTITEM, TVGN_CARET, Param(node)); }
  void ScrollToTop(HTREEITEM node) const { Send(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, Param(node)); }
  void Delete(HTREEITEM node) const { Send(TVM_DELETEITEM, 0, Param(node)); }
  void DeleteAll() const { Delete(TVI_ROOT); }
  HWND Editor() const { return reinterpret_cast<HWND>(Send(TVM_GETEDITCONTROL, 0, 0)); }

 private:
  static LPARAM Param(HTREEITEM node) { return reinterpret_cast<LPARAM>(node); }
  HTREEITEM Next(HTREEITEM node, WPARAM how) const {
    return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, how, Param(node)));
  }

  HWND tree_ = nullptr;
  WNDPROC proc_ = nullptr;
};

}  // namespace pix
