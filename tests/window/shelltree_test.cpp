// The folder tree on the real shell namespace under Wine, with the run's own
// desktop folder holding generated pictures and folders: start-up on the
// desktop, the list following the selection, virtual folders, moving to a
// written path, lazy filling, failures, the default action and right-clicks.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "app/MainUnit.h"
#include "browse/shellfolder_core.h"
#include "folders.h"
#include "testutil.h"
#include "ui/app.h"
#include "ui/errors.h"

namespace pix {
namespace {

using pixtest::Child;
using pixtest::DesktopFolder;
using pixtest::Labels;
using pixtest::Pump;
using pixtest::Settle;
using pixtest::WaitFor;
using pixtest::RemoveTree;
using pixtest::TempDir;

std::string SolidBitmap(int w, int h) {
  int row = (w * 3 + 3) & ~3;
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = static_cast<DWORD>(fh.bfOffBits + row * h);
  ih = {sizeof ih, w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::string out(reinterpret_cast<const char*>(&fh), sizeof fh);
  out.append(reinterpret_cast<const char*>(&ih), sizeof ih);
  out.append(static_cast<size_t>(row) * h, '\x7f');
  return out;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n = 0;
  ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(h);
}

std::vector<std::string> Items(const TFileListBox& l) {
  std::vector<std::string> v;
  for (int i = 0; i < l.Count(); ++i) v.push_back(l.Item(i));
  return v;
}

// Where a node's label is drawn, in the tree's client coordinates.
POINT LabelCentre(const TShellTreeView& t, HTREEITEM node) {
  RECT r{};
  std::memcpy(&r, &node, sizeof node);
  SendMessageA(t.Handle(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A mouse click as the control receives it from the user.
void Click(const TShellTreeView& t, HTREEITEM node, bool right = false) {
  POINT p = LabelCentre(t, node);
  LPARAM at = MAKELPARAM(p.x, p.y);
  PostMessageA(t.Handle(), right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN,
               right ? MK_RBUTTON : MK_LBUTTON, at);
  PostMessageA(t.Handle(), right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, at);
  // Deliberately a while: the control's own timers act on a click after it.
  Pump(100);
}

void Key(HWND w, WPARAM vk) {
  SendMessageA(w, WM_KEYDOWN, vk, 1);
  SendMessageA(w, WM_KEYUP, vk, 0xC0000001);
}

// An item's index in the small system icon list, straight from the shell.
int ShellIcon(const TShellTreeView& t, HTREEITEM n, UINT extra) {
  SHFILEINFOA fi{};
  SHGetFileInfoA(reinterpret_cast<LPCSTR>(t.Record(n)->AbsoluteId()), 0, &fi, sizeof fi,
                 SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | extra);
  return fi.iIcon;
}

bool SamePath(const std::string& a, const std::string& b) { return SameTextIgnoringCase(a, b); }

// Every change event and every call of the user-selection hook.
struct TreeLog {
  std::vector<std::string> changes;  // the selected path at each change
  std::vector<HTREEITEM> userSelects;
  void Bind(TShellTreeView& t) {
    auto form = t.OnChange;
    t.OnChange = [this, &t, form](HTREEITEM n) {
      changes.push_back(t.CurrentFolderPath());
      if (form) form(n);
    };
    t.OnUserSelect = [this](HTREEITEM n) { userSelects.push_back(n); };
  }
};

// The main window started on a desktop of generated pictures and folders:
// pictures a.bmp and b.bmp, Branch\Level1\Level2\Level3 (with c.bmp), Empty,
// Vanishing, and a hidden folder .Hidden.
class ShellTree : public testing::Test {
protected:
  void SetUp() override {
    // Only in a prefix of the test run's own, whose desktop is no user's home.
    if (!getenv("PIX_WINENV")) GTEST_SKIP() << "needs the test run's own Wine prefix";
    desk = DesktopFolder();
    ASSERT_FALSE(desk.empty());
    WriteFile(desk + "\\a.bmp", SolidBitmap(30, 20));
    WriteFile(desk + "\\b.bmp", SolidBitmap(10, 10));
    for (const char* d : {"\\Branch", "\\Branch\\Level1", "\\Branch\\Level1\\Level2",
                          "\\Branch\\Level1\\Level2\\Level3", "\\Empty", "\\Vanishing", "\\.Hidden"})
      CreateDirectoryA((desk + d).c_str(), nullptr);
    SetFileAttributesA((desk + "\\.Hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    level3 = desk + "\\Branch\\Level1\\Level2\\Level3";
    WriteFile(level3 + "\\c.bmp", SolidBitmap(5, 5));
    Application().SetTitle("Pixlumen");
    fm = std::make_unique<TfmMain>();
    fm->Create();
    ShowWindow(fm->Handle(), SW_SHOWNORMAL);
    Pump(50);  // deliberately a while: the tree's first fill runs on its timers
    log.Bind(fm->shTree);
  }
  void TearDown() override {
    fm.reset();
    SetCurrentDirectoryA("C:\\");  // the list's folder may be one of ours
    for (const char* f : {"\\a.bmp", "\\b.bmp"}) DeleteFileA((desk + f).c_str());
    for (const char* d : {"\\Branch", "\\Empty", "\\Vanishing", "\\.Hidden"}) RemoveTree(desk + d);
  }
  TShellTreeView& Tree() { return fm->shTree; }
  HTREEITEM DesktopChild(const std::string& label) { return Child(Tree(), Tree().Nodes().Root(), label); }

  std::string desk, level3;
  std::unique_ptr<TfmMain> fm;
  TreeLog log;
};

TEST_F(ShellTree, StartsOnTheDesktopExpandedOneLevelWithItsPicturesListed) {
  TShellTreeView& t = Tree();
  HTREEITEM root = t.Nodes().Root();
  ASSERT_TRUE(root);
  EXPECT_EQ(t.Nodes().Selected(), root);
  EXPECT_TRUE(t.Nodes().Expanded(root));
  EXPECT_TRUE(SamePath(t.CurrentFolderPath(), desk));
  // Folders only, hidden ones left out; none of them filled yet.
  std::vector<std::string> labels = Labels(t, root);
  for (const char* shown : {"My Computer", "Branch", "Empty", "Vanishing"})
    EXPECT_NE(std::find(labels.begin(), labels.end(), shown), labels.end()) << shown;
  for (const char* absent : {".Hidden", "a.bmp"})
    EXPECT_EQ(std::find(labels.begin(), labels.end(), absent), labels.end()) << absent;
  for (HTREEITEM n = t.Nodes().FirstChild(root); n; n = t.Nodes().NextSibling(n)) EXPECT_FALSE(t.Nodes().FirstChild(n));
  EXPECT_EQ(t.Enumerations(), 1);
  EXPECT_TRUE(SamePath(fm->flList.FolderPath(), desk));
  // Shown nodes get their own icons from the shell soon after they are drawn.
  UpdateWindow(t.Handle());
  for (const char* label : {"My Computer", "Trash", "Branch"}) {
    HTREEITEM n = DesktopChild(label);
    ASSERT_TRUE(n) << label;
    int normal = ShellIcon(t, n, 0), open = ShellIcon(t, n, SHGFI_OPENICON);
    TVITEMA item{};
    WaitFor([&] {
      item = {TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE, n};
      SendMessageA(t.Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
      return item.iImage == normal;
    });
    EXPECT_EQ(item.iImage, normal) << label;
    EXPECT_EQ(item.iSelectedImage, open ? open : normal) << label;
  }
  EXPECT_EQ(Items(fm->flList), (std::vector<std::string>{"a.bmp", "b.bmp"}));
}

TEST_F(ShellTree, MyComputerClearsTheListButNotThePreviewAndFoldersListTheirPictures) {
  TShellTreeView& t = Tree();
  fm->flList.SetItemIndex(0);
  fm->flListChange();
  ASSERT_EQ(fm->StatusBar.PanelText(1), "30x20");
  std::string status = fm->StatusBar.PanelText(2);

  HTREEITEM computer = DesktopChild("My Computer");
  Click(t, computer);
  EXPECT_EQ(t.Nodes().Selected(), computer);
  EXPECT_EQ(t.CurrentFolderPath(), "My Computer");
  EXPECT_EQ(fm->flList.Count(), 0);
  EXPECT_EQ(fm->Img.Picture().Width(), 30);
  EXPECT_EQ(fm->StatusBar.PanelText(2), status);
  EXPECT_EQ(log.userSelects, (std::vector<HTREEITEM>{computer}));

  // A folder chosen with the mouse, opened with the right arrow, its child
  // reached with the down arrow: the list follows each.
  HTREEITEM branch = DesktopChild("Branch");
  Click(t, branch);
  EXPECT_EQ(t.Nodes().Selected(), branch);
  EXPECT_TRUE(SamePath(fm->flList.FolderPath(), desk + "\\Branch"));
  Key(t.Handle(), VK_RIGHT);
  EXPECT_TRUE(t.Nodes().Expanded(branch));
  Key(t.Handle(), VK_DOWN);
  EXPECT_EQ(t.Nodes().Label(t.Nodes().Selected()), "Level1");
  EXPECT_TRUE(SamePath(fm->flList.FolderPath(), desk + "\\Branch\\Level1"));
  EXPECT_EQ(log.changes.size(), 3u);
  EXPECT_EQ(log.userSelects.size(), 3u);
  // Back to the desktop's pictures.
  Click(t, t.Nodes().Root());
  EXPECT_EQ(Items(fm->flList), (std::vector<std::string>{"a.bmp", "b.bmp"}));
}

TEST_F(ShellTree, WritingAPathBelowAnUnexpandedBranchExpandsEachAncestorAndSelectsItOnce) {
  TShellTreeView& t = Tree();
  t.SetCurrentFolderPath(level3);
  HTREEITEM node = t.Nodes().Selected();
  ASSERT_TRUE(node);
  EXPECT_EQ(t.Nodes().Label(node), "Level3");
  for (HTREEITEM up = t.Nodes().Parent(node); up; up = t.Nodes().Parent(up)) EXPECT_TRUE(t.Nodes().Expanded(up));
  EXPECT_EQ(log.changes.size(), 1u);
  EXPECT_TRUE(SamePath(log.changes[0], level3));
  EXPECT_TRUE(log.userSelects.empty());  // the watcher stays where the user left it
  EXPECT_EQ(Items(fm->flList), (std::vector<std::string>{"c.bmp"}));

  // The folder already selected, however written: nothing happens.
  int filled = t.Enumerations();
  t.SetCurrentFolderPath(level3);
  t.SetCurrentFolderPath(level3 + "\\");
  EXPECT_EQ(log.changes.size(), 1u);
  EXPECT_EQ(t.Enumerations(), filled);
  // The desktop folder by its path is reached through the computer's drives,
  // not at the root (the namespace's desktop, whose id is empty).
  t.SetCurrentFolderPath(desk);
  EXPECT_NE(t.Nodes().Selected(), t.Nodes().Root());
  EXPECT_EQ(t.Nodes().Label(t.Nodes().Selected()), "Desktop");
  EXPECT_EQ(log.changes.size(), 2u);
  EXPECT_EQ(Items(fm->flList), (std::vector<std::string>{"a.bmp", "b.bmp"}));
}

TEST_F(ShellTree, AHiddenFolderIsNotShownAndWritingItsPathClearsTheSelection) {
  TShellTreeView& t = Tree();
  t.SetCurrentFolderPath(desk + "\\.Hidden");
  EXPECT_EQ(t.Nodes().Selected(), nullptr);
  EXPECT_EQ(t.CurrentFolderPath(), "");
  EXPECT_EQ(log.changes, (std::vector<std::string>{""}));
  EXPECT_EQ(fm->flList.Count(), 0);
  // The ancestors that were found are open, down to the desktop folder.
  HTREEITEM computer = DesktopChild("My Computer");
  EXPECT_TRUE(t.Nodes().Expanded(computer));
}

TEST_F(ShellTree, TextsTheShellCannotResolveRaiseAndLeaveTheTreeAlone) {
  TShellTreeView& t = Tree();
  const std::string bad[] = {desk + "\\No such folder", "Q:\\nowhere", ""};
  for (const std::string& text : bad) {
    try {
      t.SetCurrentFolderPath(text);
      ADD_FAILURE() << "no error for '" << text << "'";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Error setting path: \"" + text + "\"");
    }
  }
  EXPECT_EQ(t.Nodes().Selected(), t.Nodes().Root());
  EXPECT_TRUE(log.changes.empty());
  // A bad root keeps the previous one, rebuilt and selected.
  try {
    t.SetRoot("rfNowhere");
    ADD_FAILURE() << "no error for the root";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Error setting path: \"rfNowhere\"");
  }
  EXPECT_EQ(t.Root(), "rfDesktop");
  EXPECT_EQ(t.Nodes().Selected(), t.Nodes().Root());
  EXPECT_TRUE(SamePath(t.CurrentFolderPath(), desk));
}

TEST_F(ShellTree, FoldersThatTurnOutEmptyOrVanishedLoseTheirExpandButton) {
  TShellTreeView& t = Tree();
  ASSERT_TRUE(RemoveDirectoryA((desk + "\\Vanishing").c_str()));
  for (const char* name : {"Empty", "Vanishing"}) {
    HTREEITEM n = DesktopChild(name);
    ASSERT_TRUE(n);
    EXPECT_TRUE(t.Nodes().HasChildrenFlag(n)) << name;  // the shell does not look inside first
    Click(t, n);
    Key(t.Handle(), VK_RIGHT);
    EXPECT_FALSE(t.Nodes().HasChildrenFlag(n)) << name;
    EXPECT_FALSE(t.Nodes().FirstChild(n)) << name;
  }
  HTREEITEM branch = DesktopChild("Branch");
  t.Expand(branch);
  EXPECT_TRUE(t.Nodes().HasChildrenFlag(branch));
  EXPECT_EQ(Labels(t, branch), (std::vector<std::string>{"Level1"}));
}

TEST_F(ShellTree, ARightClickActsOnTheNodeUnderTheMouseWithoutSelectingIt) {
  TShellTreeView& t = Tree();
  std::vector<HTREEITEM> targets;
  t.OnContextPopup = [&](HTREEITEM n, POINT) { targets.push_back(n); };
  HTREEITEM empty = DesktopChild("Empty");
  Click(t, empty, true);
  SendMessageA(t.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(t.Handle()), -1);  // menu key
  EXPECT_EQ(targets, (std::vector<HTREEITEM>{empty, t.Nodes().Root()}));
  EXPECT_EQ(t.Nodes().Selected(), t.Nodes().Root());
  EXPECT_TRUE(log.changes.empty());
}

// A tree of its own on a generated folder tree.

TEST(ShellTreeLazy, OnlyTheFoldersOpenedAreEverEnumerated) {
  TempDir dir;
  // 10 folders of 10 folders of 10: 1,110 folders.
  for (int a = 0; a < 10; ++a) {
    std::string pa = dir.File("d" + std::to_string(a));
    CreateDirectoryA(pa.c_str(), nullptr);
    for (int b = 0; b < 10; ++b) {
      std::string pb = pa + "\\e" + std::to_string(b);
      CreateDirectoryA(pb.c_str(), nullptr);
      for (int c = 0; c < 10; ++c) CreateDirectoryA((pb + "\\f" + std::to_string(c)).c_str(), nullptr);
    }
  }
  pixtest::HostForm host;
  host.Make();
  TShellTreeView t;
  t.Create(host.Handle(), {.bounds = {0, 0, 280, 380}});
  t.SetRoot(dir.Path());
  EXPECT_EQ(t.Enumerations(), 1);
  EXPECT_EQ(Labels(t, t.Nodes().Root()).size(), 10u);
  t.Expand(Child(t, t.Nodes().Root(), "d3"));
  EXPECT_EQ(t.Enumerations(), 2);
  // Down to d7\e2\f5: d7 and d7\e2 are filled; f5 itself is only selected.
  t.SetCurrentFolderPath(dir.File("d7\\e2\\f5"));
  EXPECT_EQ(t.Nodes().Label(t.Nodes().Selected()), "f5");
  EXPECT_EQ(t.Enumerations(), 4);
  EXPECT_FALSE(t.Nodes().FirstChild(t.Nodes().Selected()));
  SetCurrentDirectoryA("C:\\");  // the folder goes with `dir`
}

// A folder's sub-folders as the shell itself lists and orders them, by name.
std::vector<std::string> ShellListing(const std::string& path) {
  std::vector<std::string> names;
  IShellFolder* desktop = DesktopRecord().Folder();
  TItemIdList id = ParseName(desktop, nullptr, path);
  ComPtr<IShellFolder> folder;
  ComPtr<IEnumIDList> items;
  if (!id || FAILED(desktop->BindToObject(id.Get(), nullptr, IID_IShellFolder, folder.PutVoid())) ||
      folder->EnumObjects(nullptr, SHCONTF_FOLDERS, items.Put()) != S_OK)
    return names;
  std::vector<TItemIdList> ids;
  LPITEMIDLIST child;
  ULONG got;
  while (items->Next(1, &child, &got) == S_OK && got == 1) ids.emplace_back(child);
  std::stable_sort(ids.begin(), ids.end(), [&](const TItemIdList& a, const TItemIdList& b) {
    return CompareResultOrder(folder->CompareIDs(0, a.Get(), b.Get())) < 0;
  });
  for (const TItemIdList& i : ids) names.push_back(DisplayName(folder.Get(), i.Get(), SHGDN_INFOLDER));
  return names;
}

// Each node of a branch carries its own folder: the record's name is the label.
void ExpectRecordsMatchLabels(const TShellTreeView& t, HTREEITEM parent) {
  for (HTREEITEM n = t.Nodes().FirstChild(parent); n; n = t.Nodes().NextSibling(n))
    EXPECT_EQ(t.Record(n)->InFolderName(), t.Nodes().Label(n));
}

TEST(ShellTreeOrder, ChildrenComeInTheFoldersOwnOrderUnderTheirOwnNames) {
  TempDir dir;
  // Case, accents, a letter outside the code page, digits and punctuation: the
  // tree's first ordering by name differs from the shell's for some of them.
  for (const char* name : {"Zebra", "apple", "Banana", "_under", "a-b", "ab", "\xC3\x84pfel",
                           "\xC3\xA9t\xC3\xA9", "\xCE\xA9mega", "10", "9", "B2", "b10"})
    pixtest::MakeFolder(dir.File(name));
  pixtest::HostForm host;
  host.Make();
  TShellTreeView t;
  t.Create(host.Handle(), {.bounds = {0, 0, 280, 380}});
  t.SetRoot(dir.Path());
  std::vector<std::string> shown = Labels(t, t.Nodes().Root());
  EXPECT_EQ(shown.size(), 13u);
  EXPECT_EQ(shown, ShellListing(dir.Path()));
  ExpectRecordsMatchLabels(t, t.Nodes().Root());
  SetCurrentDirectoryA("C:\\");
  pixtest::RemoveAll(dir.Path());
}

// A folder marked system (or read-only, which Wine keeps for no folder) may
// name another kind of folder in its desktop.ini, which the shell heeds; a
// plain folder lists its own sub-folders, as under Windows.
TEST(ShellTreeBinding, AMarkedFolderIsTheShellsOwnAndAPlainOneListsItsSubFolders) {
  TempDir dir;
  const std::string ini = "[.ShellClassInfo]\r\nCLSID={20D04FE0-3AEA-1069-A2D8-08002B30309D}\r\n";
  for (const char* name : {"Plain", "Marked"}) {
    pixtest::MakeFolder(dir.File(name));
    pixtest::MakeFolder(dir.File(name) + "\\Inside " + name);
    pixtest::PutFile(dir.File(name) + "\\desktop.ini", ini);
  }
  SetFileAttributesA(dir.File("Marked").c_str(), FILE_ATTRIBUTE_SYSTEM);
  std::vector<std::string> marked = ShellListing(dir.File("Marked"));
  pixtest::HostForm host;
  host.Make();
  TShellTreeView t;
  t.Create(host.Handle(), {.bounds = {0, 0, 280, 380}});
  t.SetRoot(dir.Path());
  HTREEITEM plainNode = Child(t, t.Nodes().Root(), "Plain");
  HTREEITEM markedNode = Child(t, t.Nodes().Root(), "Marked");
  ASSERT_TRUE(plainNode && markedNode);
  t.Expand(plainNode);
  t.Expand(markedNode);
  EXPECT_EQ(Labels(t, plainNode), std::vector<std::string>{"Inside Plain"});
  EXPECT_EQ(Labels(t, markedNode), marked);
  SetCurrentDirectoryA("C:\\");
  SetFileAttributesA(dir.File("Marked").c_str(), FILE_ATTRIBUTE_NORMAL);
  pixtest::RemoveAll(dir.Path());
}

// The tree draws nothing while it expands a node, then is drawn whole, its new
// scroll bar too: shown or hidden as before, whoever began the expansion.
TEST(ShellTreeDrawing, AnExpandedTreeIsShownAsBeforeAndDrawnWhole) {
  TempDir dir;
  for (const char* parent : {"A", "B", "C", "D"}) {
    pixtest::MakeFolder(dir.File(parent));
    for (int i = 0; i < 40; ++i) pixtest::MakeFolder(dir.File(parent) + "\\f" + std::to_string(i));
  }
  pixtest::HostForm host;
  host.Make();
  TShellTreeView t;
  t.Create(host.Handle(), {.bounds = {0, 0, 280, 380}});
  t.SetRoot(dir.Path());
  struct Row {
    const char* node;
    bool shown;
    bool byControl;  // the control's own expansion, as a click or a key begins it
  };
  for (const Row& row : {Row{"A", true, false}, Row{"B", true, true}, Row{"C", false, false},
                         Row{"D", false, true}}) {
    SCOPED_TRACE(row.node);
    // Each row starts from a tree without a scroll bar.
    for (HTREEITEM n = t.Nodes().FirstChild(t.Nodes().Root()); n; n = t.Nodes().NextSibling(n))
      SendMessageW(t.Handle(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(n));
    ShowWindow(t.Handle(), row.shown ? SW_SHOWNA : SW_HIDE);
    UpdateWindow(host.Handle());
    HTREEITEM node = Child(t, t.Nodes().Root(), row.node);
    ASSERT_TRUE(node);
    if (row.byControl)
      SendMessageW(t.Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
    else
      t.Expand(node);
    EXPECT_EQ(Labels(t, node).size(), 40u);
    LONG style = GetWindowLongW(t.Handle(), GWL_STYLE);
    EXPECT_EQ((style & WS_VISIBLE) != 0, row.shown);
    if (row.shown) {
      EXPECT_TRUE(style & WS_VSCROLL);
      EXPECT_TRUE(GetUpdateRect(t.Handle(), nullptr, FALSE));  // drawn at the next painting
    }
  }
  SetCurrentDirectoryA("C:\\");
}

TEST(ShellTreeDefaultAction, AnItemThatIsNoFolderOpensWithTheShellWhenExpanded) {
  TempDir dir;
  // Run from the folder it lies in, the script leaves its mark there.
  dir.Write("mark.bat", "@echo opened> opened.txt\r\n");
  pixtest::HostForm host;
  host.Make();
  TShellTreeView t;
  t.Create(host.Handle(), {.bounds = {0, 0, 280, 380}});
  t.SetRoot(dir.File("mark.bat"));  // the root is expanded as it is made
  std::string mark = dir.File("opened.txt");
  EXPECT_TRUE(WaitFor(
      [&] { return GetFileAttributesA(mark.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000));
  EXPECT_FALSE(t.Nodes().HasChildrenFlag(t.Nodes().Root()));
  EXPECT_FALSE(t.Nodes().FirstChild(t.Nodes().Root()));
  EXPECT_EQ(t.Enumerations(), 0);
}

}  // namespace
}  // namespace pix

namespace pix {
namespace {

// A folder that names its one item by a table: naming flag -> returned string.
class NamingFolder : public IShellFolder {
public:
  struct Answer {
    DWORD flags;
    UINT type;  // STRRET_WSTR, STRRET_OFFSET, STRRET_CSTR; 0: the call fails
    std::wstring text;
  };
  std::vector<Answer> answers;
  std::vector<DWORD> asked;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, PIDLIST_RELATIVE*,
                                             ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, PCUITEMID_CHILD_ARRAY, SFGAOF*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID, UINT*,
                                          void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD, SHGDNF flags, STRRET* s) override {
    asked.push_back(flags);
    for (const Answer& a : answers) {
      if (a.flags != flags) continue;
      s->uType = a.type;
      if (a.type == STRRET_WSTR) {
        size_t bytes = (a.text.size() + 1) * sizeof(wchar_t);
        s->pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
        std::memcpy(s->pOleStr, a.text.c_str(), bytes);
      } else if (a.type == STRRET_OFFSET) {
        s->uOffset = 2;  // the item's text, after its byte count
      } else if (a.type == STRRET_CSTR) {
        WideCharToMultiByte(CP_ACP, 0, a.text.c_str(), -1, s->cStr, MAX_PATH, nullptr, nullptr);
      } else {
        return E_FAIL;
      }
      return S_OK;
    }
    return E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF,
                                      PITEMID_CHILD*) override { return E_NOTIMPL; }
};

TEST(DisplayName, EveryReturnedStringFormAndTheNamingRules) {
  // One item whose bytes hold its own name, for the offset form.
  const char item[] = "\x0E\x00Offset name\0\0\0";
  auto id = reinterpret_cast<LPCITEMIDLIST>(item);
  struct {
    std::vector<NamingFolder::Answer> answers;
    std::string expected;
    std::vector<DWORD> asked;
  } cases[] = {
      {{{SHGDN_INFOLDER, STRRET_WSTR, L"Wide name"}}, "Wide name", {SHGDN_INFOLDER}},
      {{{SHGDN_INFOLDER, STRRET_OFFSET, L""}}, "Offset name", {SHGDN_INFOLDER}},
      {{{SHGDN_INFOLDER, STRRET_CSTR, L"Inline name"}}, "Inline name", {SHGDN_INFOLDER}},
      {{{SHGDN_INFOLDER, STRRET_WSTR, L"\x0424\x043E\x0442\x043E"}}, "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE",
       {SHGDN_INFOLDER}},
      {{{SHGDN_INFOLDER, STRRET_WSTR, L"?1?2 Disk"}}, "12 Disk", {SHGDN_INFOLDER}},
      // A class id is asked again with the normal flag, whose answer is cleaned too.
      {{{SHGDN_FORPARSING, STRRET_WSTR, L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}"},
        {SHGDN_NORMAL, STRRET_CSTR, L"?3Computer"}},
       "3Computer",
       {SHGDN_FORPARSING, SHGDN_NORMAL}},
      {{{SHGDN_INFOLDER, 0, L""}}, "", {SHGDN_INFOLDER}},
  };
  for (const auto& c : cases) {
    NamingFolder folder;
    folder.answers = c.answers;
    DWORD flags = c.asked[0];
    EXPECT_EQ(DisplayName(&folder, id, flags), c.expected);
    EXPECT_EQ(folder.asked, c.asked) << c.expected;
  }
}

}  // namespace
}  // namespace pix
