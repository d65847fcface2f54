// The disk changed under the program by someone else: the tree's refresh finds
// the selected folder again by its identity on disk, the list reads folders of
// any path length and names ending in a dot or a space, the process's current
// directory never lies inside the folder shown, and the full-screen view steps
// from the picture it shows when the list was read again under it.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainUnit.h"
#include "browse/folderwatch.h"
#include "folders.h"
#include "mainwindow.h"
#include "testutil.h"
#include "ui/app.h"
#include "ui/text.h"

namespace pix {
namespace {

using pixtest::Child;
using pixtest::DesktopFolder;
using pixtest::MakeFolder;
using pixtest::Pump;
using pixtest::PutFile;
using pixtest::RemoveAll;

bool Rename(const std::string& from, const std::string& to) {
  return MoveFileW(PlatformPath(from).c_str(), PlatformPath(to).c_str());
}

std::vector<std::string> Items(const TFileListBox& list) {
  std::vector<std::string> v;
  for (int i = 0; i < list.Count(); ++i) v.push_back(list.Item(i));
  return v;
}

// The main window over folders of the run's own desktop.
class Outside : public pixtest::MainWindowTest {
 protected:
  void SetUp() override {
    if (!getenv("PIX_WINENV")) GTEST_SKIP() << "needs the test run's own Wine prefix";
    desk = DesktopFolder();
    pixtest::MainWindowTest::SetUp();
  }
  void TearDown() override {
    FileSystemNameHook = nullptr;
    pixtest::MainWindowTest::TearDown();
    for (const std::string& d : made) RemoveAll(desk + "\\" + d);
  }
  TShellTreeView& Tree() { return fm->shTree; }
  void UserSelect(HTREEITEM node) {
    ASSERT_TRUE(node);
    SendMessageA(Tree().Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
    ASSERT_EQ(Tree().Nodes().Selected(), node);
  }
  // The current directory is never the folder shown or inside it.
  void ExpectCurrentDirOutside(const std::string& where) {
    EXPECT_FALSE(PathWithin(GetCurrentDir(), fm->flList.FolderPath()))
        << where << ": the current directory " << GetCurrentDir() << " holds "
        << fm->flList.FolderPath();
  }

  std::string desk;
  std::vector<std::string> made;
};

// A refresh that took the selection's old item id for it would select a new
// folder that took the old name, or lose a renamed one.
TEST_F(Outside, ARefreshFindsTheSelectedFolderByItsIdentityOnDisk) {
  struct Case {
    const char* what;
    std::function<void(const std::string& top)> change;
    const char* selected;  // the folder selected afterwards, below the desktop ("" for it)
    bool keepsFile;
    // Wine gives a folder's last write as its creation time, which a rename
    // inside it changes; FAT on Windows keeps it.
    bool asFat = true;
  };
  const Case cases[] = {
      {"the folder above renamed", [](const std::string& top) { Rename(top, top + "B"); },
       "IdAB\\Sel", true},
      {"renamed, and a new folder under the old names",
       [](const std::string& top) {
         Rename(top, top + "B");
         MakeFolder(top);
         MakeFolder(top + "\\Sel");
       },
       "IdAB\\Sel", true},
      {"the selected folder renamed",
       [](const std::string& top) { Rename(top + "\\Sel", top + "\\Chosen"); }, "IdA\\Chosen",
       true, false},
      {"the folder above deleted", [](const std::string& top) { RemoveAll(top); }, "", false},
  };
  made = {"IdA", "IdAB"};
  // And as on a memory card, whose FAT moves and reuses indexes: never by the index.
  for (bool fat : {false, true})
  for (const Case& c : cases) {
    SCOPED_TRACE(fat ? "FAT" : "NTFS");
    if (fat && !c.asFat) continue;
    FileSystemNameHook = nullptr;
    if (fat) FileSystemNameHook = [](HANDLE) { return std::wstring(L"FAT32"); };
    for (const std::string& d : made) RemoveAll(desk + "\\" + d);
    std::string top = desk + "\\IdA";
    MakeFolder(top);
    MakeFolder(top + "\\Sel");
    ASSERT_EQ(DiskIdOf(top).byTimes, fat);
    PutFile(top + "\\Sel\\pic.bmp", pixtest::SolidBitmap(30, 20, RGB(200, 40, 30)));
    TShellTreeView& t = Tree();
    HTREEITEM root = t.Nodes().Root();
    t.SetAutoRefresh(false);  // the refresh below is the test's own
    t.Refresh(root);
    UserSelect(Child(t, root, "IdA"));
    t.Expand(t.Nodes().Selected());
    UserSelect(Child(t, t.Nodes().Selected(), "Sel"));
    fm->flList.SelectAndReport(0);
    ASSERT_EQ(fm->StatusBar.PanelText(1), "30x20") << c.what;

    c.change(top);
    t.Refresh(root);
    std::string want = *c.selected ? desk + "\\" + c.selected : desk;
    EXPECT_TRUE(SameTextIgnoringCase(t.CurrentFolderPath(), want)) << c.what << ": "
                                                                   << t.CurrentFolderPath();
    EXPECT_TRUE(SameTextIgnoringCase(fm->flList.FolderPath(), want)) << c.what;
    if (c.keepsFile) {
      EXPECT_EQ(fm->flList.SelectedFilePath(), fm->flList.FolderPath() + "\\pic.bmp") << c.what;
      EXPECT_EQ(fm->StatusBar.PanelText(2), fm->flList.SelectedFilePath()) << c.what;
    }
    EXPECT_TRUE(errors.empty()) << c.what << ": " << (errors.empty() ? "" : errors[0]);
    errors.clear();
    ExpectCurrentDirOutside(c.what);
  }
  FileSystemNameHook = nullptr;
}

// After a paste only the folder pasted in was read again: the selected folder,
// cut from its old place, stayed there under a path that no longer exists.
TEST_F(Outside, AFolderCutAndPastedElsewhereIsFollowedThere) {
  made = {"From", "Into"};
  MakeFolder(desk + "\\From");
  MakeFolder(desk + "\\From\\Cut");
  MakeFolder(desk + "\\Into");
  PutFile(desk + "\\From\\Cut\\pic.bmp", pixtest::SolidBitmap(9, 6, RGB(0, 0, 255)));
  TShellTreeView& t = Tree();
  HTREEITEM root = t.Nodes().Root();
  t.SetAutoRefresh(false);  // the steps of the paste below are the test's own
  t.Refresh(root);
  UserSelect(Child(t, root, "From"));
  t.Expand(t.Nodes().Selected());
  UserSelect(Child(t, t.Nodes().Selected(), "Cut"));
  fm->flList.SelectAndReport(0);
  ASSERT_TRUE(Rename(desk + "\\From\\Cut", desk + "\\Into\\Cut"));
  // What the tree does after its menu's paste into a folder.
  HTREEITEM into = Child(t, t.Nodes().Root(), "Into");
  ASSERT_TRUE(into);
  TItemIdList id = CopyIdList(t.Record(into)->AbsoluteId());
  t.Refresh(into);
  EXPECT_TRUE(t.FollowDisk(id.Get()));
  std::string want = desk + "\\Into\\Cut";
  EXPECT_TRUE(SameTextIgnoringCase(t.CurrentFolderPath(), want)) << t.CurrentFolderPath();
  EXPECT_TRUE(SameTextIgnoringCase(fm->flList.FolderPath(), want)) << fm->flList.FolderPath();
  EXPECT_EQ(fm->flList.SelectedFilePath(), fm->flList.FolderPath() + "\\pic.bmp");
  EXPECT_EQ(fm->StatusBar.PanelText(2), fm->flList.SelectedFilePath());
  EXPECT_FALSE(Child(t, Child(t, t.Nodes().Root(), "From"), "Cut"));
  EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors[0]);
}

// The folder read again after a change from outside to the selected file: it
// was lost when renamed, kept its old picture when replaced under its name, and
// stayed described in the status bar when deleted.
// A file replaced or deleted from outside is the end-to-end journey's; a rename
// it can't tell from a delete and a creation there.
TEST_F(Outside, TheSelectedFileRenamedIsFollowedUnderItsNewName) {
  ShowFolder({{"a.bmp", pixtest::SolidBitmap(5, 5, RGB(0, 0, 255))},
              {"pic.bmp", pixtest::SolidBitmap(30, 20, RGB(0, 0, 255))}},
             1);
  fm->flList.SelectAndReport(1);  // as a click: the list knows the file it reported
  ASSERT_EQ(fm->StatusBar.PanelText(1), "30x20");
  Rename(dir.File("pic.bmp"), dir.File("z.bmp"));
  fm->flList.ReadFolderAgain(dir.Path());  // what the watcher's refresh does
  EXPECT_EQ(fm->flList.SelectedFilePath(), dir.File("z.bmp"));
  EXPECT_EQ(fm->StatusBar.PanelText(1), "30x20");
  EXPECT_EQ(fm->StatusBar.PanelText(2), dir.File("z.bmp"));
  EXPECT_NE(fm->Img.Picture().Graphic(), nullptr);
  EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors[0]);
}

// The platform's path limit (260) would refuse the folder with "I/O error 206".
TEST_F(Outside, AFolderPathOf300CharactersIsListedAndItsPictureShown) {
  std::string path = dir.Path();
  while (path.size() < 300) {
    path += "\\" + std::string(40, 'f');
    MakeFolder(path);
  }
  PutFile(path + "\\long.bmp", pixtest::SolidBitmap(25, 15, RGB(0, 0, 255)));
  fm->flList.SetFolder(path);
  EXPECT_EQ(fm->flList.FolderPath(), path);
  ASSERT_EQ(Items(fm->flList), (std::vector<std::string>{"long.bmp"}));
  fm->flList.SelectAndReport(0);
  EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(fm->Img.Picture().Width(), 25);
  EXPECT_EQ(fm->StatusBar.PanelText(1), "25x15");
  EXPECT_EQ(fm->StatusBar.PanelText(2), path + "\\long.bmp");
  ExpectCurrentDirOutside("a long path");
  RemoveAll(dir.Path() + "\\" + std::string(40, 'f'));
}

// Trimmed, such a name would read its sibling without the dot or space.
TEST_F(Outside, NamesEndingInADotOrASpaceAreReadAsThemselves) {
  struct Case {
    const char* name;
    const char* sibling;
  };
  for (const Case& c : {Case{"Dot.", "Dot"}, Case{"Space ", "Space"}}) {
    std::string odd = dir.File(c.name), plain = dir.File(c.sibling);
    MakeFolder(odd);
    MakeFolder(plain);
    PutFile(odd + "\\own.bmp", pixtest::SolidBitmap(12, 7, RGB(200, 40, 30)));
    PutFile(plain + "\\other.bmp", pixtest::SolidBitmap(5, 5, RGB(0, 0, 255)));
    EXPECT_TRUE(IsExistingFolder(odd)) << c.name;
    fm->flList.SetFolder(odd);
    EXPECT_EQ(fm->flList.FolderPath(), odd) << c.name;
    ASSERT_EQ(Items(fm->flList), (std::vector<std::string>{"own.bmp"})) << c.name;
    fm->flList.SelectAndReport(0);
    EXPECT_TRUE(errors.empty()) << c.name << ": " << (errors.empty() ? "" : errors[0]);
    EXPECT_EQ(fm->StatusBar.PanelText(1), "12x7") << c.name;
    EXPECT_EQ(fm->StatusBar.PanelText(2), odd + "\\own.bmp") << c.name;
    fm->flList.SetFolder(plain);
    EXPECT_EQ(Items(fm->flList), (std::vector<std::string>{"other.bmp"})) << c.name;
    RemoveAll(odd);
    RemoveAll(plain);
  }
}

// The current directory, made the folder shown, would keep anyone from
// renaming or deleting it on Windows.
TEST_F(Outside, TheCurrentDirectoryIsNeverInsideTheFolderShown) {
  made = {"Held"};
  MakeFolder(desk + "\\Held");
  MakeFolder(desk + "\\Held\\Inner");
  PutFile(desk + "\\Held\\Inner\\a.bmp", pixtest::SolidBitmap(4, 4, RGB(0, 0, 255)));
  fm->flList.SetFolder(desk + "\\Held\\Inner");
  ExpectCurrentDirOutside("a folder set");
  fm->flList.SelectAndReport(0);
  ExpectCurrentDirOutside("a file shown");
  fm->flList.SetFolderFromPath(desk + "\\Held");
  ExpectCurrentDirOutside("a path text");
  fm->flList.SetFolderFromPath("Inner");
  EXPECT_TRUE(SameTextIgnoringCase(fm->flList.FolderPath(), desk + "\\Held\\Inner"));
  ExpectCurrentDirOutside("a relative path text");
  Tree().SetCurrentFolderPath(desk + "\\Held");
  EXPECT_TRUE(SameTextIgnoringCase(fm->flList.FolderPath(), desk + "\\Held"));
  ExpectCurrentDirOutside("the tree moved");
  // Renamed from outside while shown: possible only when nothing holds it.
  EXPECT_TRUE(Rename(desk + "\\Held", desk + "\\Freed"));
  made.push_back("Freed");
}

// The list read again under the view: the picture shown gone (the index the
// list had for it cleared), or still there at another place.
TEST(FullScreenSteps, StepsGoFromThePictureShownInTheListAsItIsNow) {
  struct Fake : TViewList {
    std::vector<std::string> paths;
    int at = 0;
    int Count() const override { return static_cast<int>(paths.size()); }
    int ItemIndex() const override { return at; }
    void SetItemIndex(int index) override { at = index; }
    void SelectAndReport(int index) override { at = index; }
    std::string SelectedFilePath() const override { return paths.at(static_cast<size_t>(at)); }
    int IndexOf(const std::string& name) const override {
      for (size_t i = 0; i < paths.size(); ++i)
        if (paths[i].substr(paths[i].rfind('\\') + 1) == name) return static_cast<int>(i);
      return -1;
    }
    void ReadAheadFor(const TImageHost&) override {}
  };
  struct Case {
    const char* what;
    int shown;                       // index of the picture shown in r1, r2, r3, r4
    std::vector<std::string> after;  // the list as read again
    WORD key;
    const char* caption;
  };
  const Case cases[] = {
      {"shown deleted, Left", 1, {"r1", "r3", "r4"}, VK_LEFT, "r1"},
      {"shown deleted, Right", 1, {"r1", "r3", "r4"}, VK_RIGHT, "r3"},
      {"last shown deleted, Right wraps", 3, {"r1", "r2", "r3"}, VK_RIGHT, "r1"},
      {"first shown deleted, Left wraps", 0, {"r2", "r3", "r4"}, VK_LEFT, "r4"},
      {"one before deleted, Right", 2, {"r2", "r3", "r4"}, VK_RIGHT, "r4"},
      {"one before deleted, Left", 2, {"r2", "r3", "r4"}, VK_LEFT, "r2"},
  };
  pixtest::TempDir dir;
  for (const char* n : {"r1", "r2", "r3", "r4"})
    dir.Write(std::string(n) + ".bmp", pixtest::SolidBitmap(8, 8, RGB(0, 0, 255)));
  for (const Case& c : cases) {
    auto list = std::make_unique<Fake>();
    Fake& fake = *list;
    for (const char* n : {"r1", "r2", "r3", "r4"}) fake.paths.push_back(dir.File(n) + ".bmp");
    fake.at = c.shown;
    TfmView view;
    view.Create();
    view.FileList = std::move(list);
    view.ShowPicture(fake.SelectedFilePath());
    fake.paths.clear();
    for (const std::string& n : c.after) fake.paths.push_back(dir.File(n) + ".bmp");
    fake.at = -1;  // a re-read leaves nothing selected
    WORD key = c.key;
    view.FormKeyDown(key, {});
    EXPECT_EQ(view.Text(), std::string("Pixlumen : ") + c.caption + ".bmp") << c.what;
  }
}

}  // namespace
}  // namespace pix
