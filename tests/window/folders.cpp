#include "folders.h"

#include <shlobj.h>

namespace pixtest {

std::string DesktopFolder() {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, path);
  return path;
}

HTREEITEM Child(const pix::TShellTreeView& t, HTREEITEM parent, const std::string& label) {
  for (HTREEITEM n = t.Nodes().FirstChild(parent); n; n = t.Nodes().NextSibling(n))
    if (t.Nodes().Label(n) == label) return n;
  return nullptr;
}

std::vector<std::string> Labels(const pix::TShellTreeView& t, HTREEITEM parent) {
  std::vector<std::string> v;
  for (HTREEITEM n = t.Nodes().FirstChild(parent); n; n = t.Nodes().NextSibling(n)) v.push_back(t.Nodes().Label(n));
  return v;
}

}  // namespace pixtest
