// Folders on the run's own desktop and the folder tree's nodes, for the tests
// of the tree and of its watcher; folders of any path by their exact names.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "browse/shelltree.h"
#include "testutil.h"

namespace pixtest {

// The desktop folder the shell shows at the tree's root.
std::string DesktopFolder();

// The node with this label among the children of `parent`; null when none.
HTREEITEM Child(const pix::TShellTreeView& t, HTREEITEM parent, const std::string& label);
// The labels of the children of `parent`, in the tree's order.
std::vector<std::string> Labels(const pix::TShellTreeView& t, HTREEITEM parent);

// Files and folders by their exact names, whatever the length: the platform's
// trimming of dots and spaces and its path limit are both off in this form.
void MakeFolder(const std::string& path);
void PutFile(const std::string& path, const std::string& bytes);
void RemoveAll(const std::string& path);

}  // namespace pixtest
