// Folders on the run's own desktop and the folder tree's nodes, for the tests
// of the tree and of its watcher.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "browse/shelltree.h"

namespace pixtest {

// The desktop folder the shell shows at the tree's root.
std::string DesktopFolder();
// Deletes a folder and everything in it, read-only or not.
void RemoveTree(const std::string& path);

// The node with this label among the children of `parent`; null when none.
HTREEITEM Child(const pix::TShellTreeView& t, HTREEITEM parent, const std::string& label);
// The labels of the children of `parent`, in the tree's order.
std::vector<std::string> Labels(const pix::TShellTreeView& t, HTREEITEM parent);

}  // namespace pixtest
