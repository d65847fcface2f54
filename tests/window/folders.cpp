#include "folders.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include "ui/text.h"

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

void MakeFolder(const std::string& path) {
  ASSERT_TRUE(CreateDirectoryW(pix::PlatformPath(path).c_str(), nullptr)) << path;
}
void PutFile(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileW(pix::PlatformPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  DWORD put = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
  CloseHandle(h);
}
void RemoveAll(const std::string& path) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(pix::PlatformPath(path + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = pix::Narrow(fd.cFileName);
      if (name == "." || name == "..") continue;
      std::string child = path + "\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveAll(child);
      else
        DeleteFileW(pix::PlatformPath(child).c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(pix::PlatformPath(path).c_str());
}

}  // namespace pixtest
