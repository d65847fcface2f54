#include "folders.h"

#include <shlobj.h>

namespace pixtest {

std::string DesktopFolder() {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, path);
  return path;
}

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string n = fd.cFileName, full = path + "\\" + n;
      if (n == "." || n == "..") continue;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(full);
      else
        DeleteFileA(full.c_str());
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(path.c_str());
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
