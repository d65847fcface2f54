// Expanding a tree node whose folder holds many sub-folders, against the bare
// IShellFolder::EnumObjects walk of the same folder, alternating runs.
// Usage: tree_bench.exe NAME PARENT CHILD REPEATS (CHILD: the big folder's name in PARENT)
// Prints: BENCH <name> <median> ms ratio <r> vs enumerate (<median> ms)
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_util.h"
#include "browse/shelltree.h"
#include "ui/form.h"

using bench::Median;
using bench::Now;

namespace {

// Folders only, as the tree asks; every id freed.
size_t EnumerateOnce(IShellFolder* folder) {
  pix::ComPtr<IEnumIDList> items;
  if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS, items.Put()) != S_OK) return 0;
  size_t n = 0;
  LPITEMIDLIST id;
  ULONG got;
  while (items->Next(1, &id, &got) == S_OK && got == 1) {
    CoTaskMemFree(id);
    ++n;
  }
  return n;
}

class Host : public pix::TForm {
public:
  void Make() {
    CreateForm("tree bench", WS_OVERLAPPEDWINDOW, 0, {0, 0, 400, 700});
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: tree_bench NAME PARENT CHILD REPEATS\n");
    return 2;
  }
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  pix::TShellSession shell;
  const char* name = argv[1];
  std::string parent = argv[2], child = argv[3];
  int repeats = std::max(1, std::atoi(argv[4]));
  Host host;
  host.Make();
  pix::TShellTreeView tree;
  tree.Create(host.Handle(), {.bounds = {0, 0, 380, 650}});

  // The bare walk binds the folder once, as a node's record does.
  pix::ComPtr<IShellFolder> big;
  {
    pix::TItemIdList id;
    std::wstring w(parent.begin(), parent.end());
    w += L"\\" + std::wstring(child.begin(), child.end());
    pix::DesktopRecord().Folder()->ParseDisplayName(nullptr, nullptr, w.data(), nullptr, id.Put(),
                                                    nullptr);
    if (!id || FAILED(pix::DesktopRecord().Folder()->BindToObject(id.Get(), nullptr,
                                                                   IID_IShellFolder, big.PutVoid()))) {
      std::fprintf(stderr, "cannot bind %s\\%s\n", parent.c_str(), child.c_str());
      return 1;
    }
  }
  std::vector<double> expand, enumerate, paint, control;
  size_t folders = 0, nodes = 0;
  for (int i = 0; i < repeats; ++i) {
    tree.SetRoot(parent);  // a fresh, unfilled node for the big folder
    HTREEITEM node = tree.Nodes().FirstChild(tree.Nodes().Root());
    while (node && tree.Nodes().Label(node) != child) node = tree.Nodes().NextSibling(node);
    if (!node) {
      std::fprintf(stderr, "no node %s below %s\n", child.c_str(), parent.c_str());
      return 1;
    }
    double t0 = Now();
    folders = EnumerateOnce(big.Get());
    double t1 = Now();
    tree.Expand(node);
    double t2 = Now();
    UpdateWindow(tree.Handle());  // the first page, with its icons
    double t3 = Now();
    // The tree control's own share: expanding the node again once it is filled.
    SendMessageA(tree.Handle(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(node));
    double t4 = Now();
    SendMessageA(tree.Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
    control.push_back(Now() - t4);
    nodes = 0;
    for (HTREEITEM n = tree.Nodes().FirstChild(node); n; n = tree.Nodes().NextSibling(n)) ++nodes;
    enumerate.push_back(t1 - t0);
    expand.push_back(t2 - t1);
    paint.push_back(t3 - t2);
  }
  if (nodes != folders) {
    std::fprintf(stderr, "the node has %u children, the folder %u sub-folders\n",
                 static_cast<unsigned>(nodes), static_cast<unsigned>(folders));
    return 1;
  }
  double x = Median(expand), e = Median(enumerate);
  std::printf("# %s: %u sub-folders, %d runs; painting the first page after expanding: %.1f ms;"
              " the tree control's own expansion of the filled node: %.1f ms\n",
              name, static_cast<unsigned>(folders), repeats, Median(paint), Median(control));
  std::printf("BENCH %s %.1f ms ratio %.2f vs enumerate (%.1f ms)\n", name, x, x / e, e);
  return 0;
}
