// The file list and the filter box on real windows: what the list shows for a
// folder, the filter entries, selection by mouse, keys and type-ahead, the
// hourglass rule, and the main window's selected-file step with its status bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/MainUnit.h"
#include "testutil.h"
#include "ui/app.h"
#include "ui/errors.h"

namespace pix {
namespace {

using pixtest::CatchMessageBox;
using pixtest::Pump;
using pixtest::Settle;
using pixtest::SolidBitmap;
using pixtest::CurrentDirGuard;
using pixtest::TempDir;

std::vector<std::string> Items(const TFileListBox& l) {
  std::vector<std::string> v;
  for (int i = 0; i < l.Count(); ++i) v.push_back(l.Item(i));
  return v;
}

void Touch(const TempDir& d, const std::string& name) { d.Write(name, ""); }

// A form of its own to host lists that tests build themselves.

// Every change event of a list, with the selected path at that moment.
struct ChangeLog {
  std::vector<std::string> paths;
  void Bind(TFileListBox& l) {
    l.OnChange = [this, &l] { paths.push_back(l.SelectedFilePath()); };
  }
};

// Mouse click on an entry, through the list box's own message handling.
void ClickEntry(TFileListBox& l, int index) {
  RECT r{};
  SendMessageA(l.Handle(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
  LPARAM at = MAKELPARAM(r.left + 30, (r.top + r.bottom) / 2);
  SendMessageA(l.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(l.Handle(), WM_LBUTTONUP, 0, at);
  Settle();
}

void KeyDown(HWND w, UINT vk) {
  SendMessageA(w, WM_KEYDOWN, vk, 1);
  SendMessageA(w, WM_KEYUP, vk, 0xC0000001);
}

void Type(HWND w, const std::string& chars) {
  for (char c : chars) SendMessageA(w, WM_CHAR, static_cast<unsigned char>(c), 1);
}

class FileList : public testing::Test {
protected:
  void SetUp() override {
    Application().SetTitle("Pixlumen");
    fm = std::make_unique<TfmMain>();
    fm->Create();
    ShowWindow(fm->Handle(), SW_SHOWNOACTIVATE);
    Settle();
  }
  void TearDown() override { fm.reset(); }
  TFileListBox& List() { return fm->flList; }

  TempDir dir;
  CurrentDirGuard cwd;  // restored before the folder is removed
  std::unique_ptr<TfmMain> fm;
};

TEST_F(FileList, ShowsPictureFilesSortedWithoutHiddenTextOrFolders) {
  for (const char* n : {"b.JPG", "a.bmp", "C.ico", "notes.txt", "h.jpg"}) Touch(dir, n);
  ASSERT_TRUE(SetFileAttributesA(dir.File("h.jpg").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(CreateDirectoryA(dir.File("x.jpg").c_str(), nullptr));
  ChangeLog log;
  log.Bind(List());

  List().SetFolder(dir.Path());
  EXPECT_EQ(Items(List()), (std::vector<std::string>{"a.bmp", "b.JPG", "C.ico"}));
  // Every entry has the blank-page glyph.
  for (int i = 0; i < List().Count(); ++i)
    EXPECT_EQ(SendMessageA(List().Handle(), LB_GETITEMDATA, i, 0),
              static_cast<LRESULT>(TGlyphKind::UnknownFile));
  // The list reads its folder by full path, leaving the current directory
  // outside it, and reports one empty change.
  EXPECT_TRUE(SameTextIgnoringCase(List().FolderPath(), dir.Path()));
  EXPECT_FALSE(PathWithin(GetCurrentDir(), dir.Path()));
  EXPECT_EQ(log.paths, (std::vector<std::string>{""}));
  EXPECT_EQ(List().ItemIndex(), -1);
  EXPECT_EQ(List().SelectedFilePath(), "");

  // The same folder again, in any letter case, is not re-read.
  Touch(dir, "d.bmp");
  std::string upper = dir.Path();
  CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
  List().SetFolder(upper);
  List().SetFolderFromPath(dir.Path());
  EXPECT_EQ(List().Count(), 3);
  EXPECT_EQ(log.paths.size(), 1u);
  // Clear empties the list and says nothing.
  List().Clear();
  EXPECT_EQ(List().Count(), 0);
  EXPECT_EQ(log.paths.size(), 1u);
}

TEST_F(FileList, FilterBoxEntriesGiveTheirPatternsToTheList) {
  for (const char* n : {"a.bmp", "b.JPG", "C.ico", "d.wmf", "e.jpeg", "f.emf"}) Touch(dir, n);
  List().SetFolder(dir.Path());
  TFilterComboBox& cb = fm->cbFilter;
  struct Entry {
    const char* description;
    const char* mask;
    std::vector<std::string> items;
  } entries[] = {
      {"All files (*.jpg; *.jpeg; *.wmf; *.bmp; *.ico)", "*.jpg;*.jpeg;*.wmf;*.bmp;*.ico",
       {"a.bmp", "b.JPG", "C.ico", "d.wmf", "e.jpeg"}},
      {"JPEG image ( *.jpg; *.jpeg )", "*.jpg;*.jpeg", {"b.JPG", "e.jpeg"}},
      {"Metafiles ( *.wmf )", "*.wmf", {"d.wmf"}},
      {"Bitmaps ( *.bmp )", "*.bmp", {"a.bmp"}},
      {"Icons ( *.ico )", "*.ico", {"C.ico"}},
  };
  ASSERT_EQ(cb.Count(), 5);
  EXPECT_EQ(cb.ItemIndex(), 0);
  ChangeLog log;
  log.Bind(List());
  for (int i = 0; i < 5; ++i) {
    if (i > 0) KeyDown(cb.Handle(), VK_DOWN);  // the user steps to the next entry
    EXPECT_EQ(cb.ItemIndex(), i);
    EXPECT_EQ(cb.Item(i), entries[i].description);
    EXPECT_EQ(List().Mask(), entries[i].mask);
    EXPECT_EQ(Items(List()), entries[i].items) << i;
  }
  EXPECT_EQ(log.paths.size(), 4u);  // one refill for each new entry
  KeyDown(cb.Handle(), VK_HOME);
  EXPECT_EQ(Items(List()), entries[0].items);
}

TEST_F(FileList, ChoosingTheSameMaskAgainDoesNotRefill) {
  Touch(dir, "a.bmp");
  List().SetFolder(dir.Path());
  TFilterComboBox& cb = fm->cbFilter;
  int boxChanges = 0;
  cb.OnChange = [&] { ++boxChanges; };
  cb.SetFilter("Bitmaps|*.bmp|Also bitmaps|*.bmp|Icons|*.ico");
  EXPECT_EQ(List().Mask(), "*.bmp");
  EXPECT_EQ(boxChanges, 0);  // writing the filter is no choice of the user
  ChangeLog log;
  log.Bind(List());
  Touch(dir, "b.bmp");
  KeyDown(cb.Handle(), VK_DOWN);
  EXPECT_EQ(cb.ItemIndex(), 1);
  EXPECT_EQ(boxChanges, 1);
  EXPECT_TRUE(log.paths.empty());
  EXPECT_EQ(Items(List()), (std::vector<std::string>{"a.bmp"}));  // not re-read
  // Writing a filter that differs only in letter case is ignored altogether.
  cb.SetFilter("BITMAPS|*.BMP|ALSO BITMAPS|*.BMP|ICONS|*.ICO");
  EXPECT_EQ(cb.Item(0), "Bitmaps");
  EXPECT_EQ(List().Mask(), "*.bmp");
  // A mask written in another letter case is a change.
  List().SetMask("*.BMP");
  EXPECT_EQ(Items(List()), (std::vector<std::string>{"a.bmp", "b.bmp"}));
  EXPECT_EQ(log.paths.size(), 1u);
}

TEST_F(FileList, ClickingTheSelectedEntryOrWritingTheIndexFiresNothing) {
  for (const char* n : {"a.bmp", "b.bmp", "c.bmp"}) Touch(dir, n);
  List().SetFolder(dir.Path());
  ChangeLog log;
  log.Bind(List());
  int clicks = 0;
  List().OnClick = [&] { ++clicks; };

  ClickEntry(List(), 1);
  ASSERT_EQ(log.paths.size(), 1u);
  EXPECT_EQ(log.paths[0], dir.File("b.bmp"));
  ClickEntry(List(), 1);
  EXPECT_EQ(log.paths.size(), 1u);
  EXPECT_GE(clicks, 1);

  List().SetItemIndex(0);
  EXPECT_EQ(log.paths.size(), 1u);
  EXPECT_EQ(List().SelectedFilePath(), dir.File("a.bmp"));
  // The keys step from there; landing on the last reported entry is no change.
  KeyDown(List().Handle(), VK_DOWN);
  EXPECT_EQ(List().ItemIndex(), 1);
  EXPECT_EQ(log.paths.size(), 1u);
  KeyDown(List().Handle(), VK_DOWN);
  ASSERT_EQ(log.paths.size(), 2u);
  EXPECT_EQ(log.paths[1], dir.File("c.bmp"));
  KeyDown(List().Handle(), VK_HOME);
  EXPECT_EQ(log.paths.back(), dir.File("a.bmp"));
  KeyDown(List().Handle(), VK_END);
  EXPECT_EQ(log.paths.back(), dir.File("c.bmp"));
  EXPECT_EQ(log.paths.size(), 4u);
  SendMessageA(List().Handle(), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  EXPECT_EQ(List().SelectedFilePath(), "");
}

TEST_F(FileList, TypeAheadSelectsByPrefixWithinHalfASecond) {
  for (const char* n : {"apple.bmp", "Banana.bmp", "bird.bmp", "Birch.bmp", "cat.bmp"})
    Touch(dir, n);
  List().SetFolder(dir.Path());
  ASSERT_EQ(Items(List()),
            (std::vector<std::string>{"apple.bmp", "Banana.bmp", "Birch.bmp", "bird.bmp", "cat.bmp"}));
  ChangeLog log;
  log.Bind(List());
  HWND w = List().Handle();
  uint32_t now = 1000;
  List().Clock = [&] { return now; };

  Type(w, "B");
  EXPECT_EQ(List().ItemIndex(), 1);  // Banana
  Type(w, "I");
  EXPECT_EQ(List().ItemIndex(), 2);  // Birch: case ignored, first match from the top
  Type(w, "rd");
  EXPECT_EQ(List().ItemIndex(), 3);
  Type(w, "x");  // "birdx" matches nothing: the selection stays
  EXPECT_EQ(List().ItemIndex(), 3);
  now += TTypeAhead::kPauseMs + 1;
  Type(w, "c");  // after the pause a new prefix starts
  EXPECT_EQ(List().ItemIndex(), 4);
  Type(w, "a");
  EXPECT_EQ(List().ItemIndex(), 4);
  Type(w, "\b");
  EXPECT_EQ(List().ItemIndex(), 4);  // "c" still
  Type(w, "\b");
  EXPECT_EQ(List().ItemIndex(), 0);  // empty: the first entry
  EXPECT_EQ(log.paths, (std::vector<std::string>{dir.File("Banana.bmp"), dir.File("Birch.bmp"), dir.File("bird.bmp"),
                                                 dir.File("cat.bmp"), dir.File("apple.bmp")}));
}

// A list that replays what the platform enumerates in a chosen order and notes
// the application's cursor after each entry.
class OrderedList : public TFileListBox {
public:
  bool reverse = false;
  std::vector<TCursor> cursors;

protected:
  void Enumerate(const std::string& pattern, unsigned word,
                 const std::function<void(const char*, unsigned)>& found) override {
    std::vector<std::pair<std::string, unsigned>> all;
    TFileListBox::Enumerate(pattern, word,
                            [&](const char* n, unsigned a) { all.emplace_back(n, a); });
    std::sort(all.begin(), all.end());
    if (reverse) std::reverse(all.begin(), all.end());
    for (const auto& [name, attrs] : all) {
      found(name.c_str(), attrs);
      cursors.push_back(Application().Cursor());
    }
  }
};

TEST(FileListHourglass, FromTheEntryThatLandsAtPosition100UntilTheRefillEnds) {
  CurrentDirGuard cwd;
  TempDir dir;
  for (int i = 0; i < 150; ++i) {
    char n[16];
    wsprintfA(n, "f%03d.bmp", i);
    dir.Write(n, "");
  }
  for (bool reverse : {false, true}) {
    CurrentDirGuard back;  // each list starts outside the folder
    pixtest::HostForm host;
    host.Make();
    OrderedList list;
    list.reverse = reverse;
    list.SetMask("*.bmp");
    list.Create(host.Handle(), {.bounds = {0, 0, 200, 300}});
    TCursor atChange = TCursor::crHourGlass;
    list.OnChange = [&] { atChange = Application().Cursor(); };
    list.cursors.clear();
    list.SetFolder(dir.Path());
    ASSERT_EQ(list.cursors.size(), 150u);
    for (size_t i = 0; i < 150; ++i) {
      bool hourglass = list.cursors[i] == TCursor::crHourGlass;
      EXPECT_EQ(hourglass, !reverse && i >= 100) << (reverse ? "reverse " : "") << "entry " << i;
    }
    EXPECT_EQ(atChange, TCursor::crDefault) << "restored before the change step";
    EXPECT_EQ(list.Count(), 150);
    EXPECT_EQ(list.Item(0), "f000.bmp");
    EXPECT_EQ(list.Item(149), "f149.bmp");
  }
}

TEST(FileListOrder, SameOrderAsTheListControlsOwnSortedInsertion) {
  CurrentDirGuard cwd;
  TempDir dir;
  const char* names[] = {"a_b.bmp", "a-b.bmp", "ab.bmp",  "a b.bmp",  "a.b.bmp", "A1.bmp",
                         "a10.bmp", "a2.bmp",  "_x.bmp",  "-x.bmp",   "x.bmp",   "co-op.bmp",
                         "coop.bmp", "Z.bmp",  "~t.bmp",  "[x].bmp",  "'q.bmp",  "\xC3\xA9t\xC3\xA9.bmp",
                         "ete.bmp", "Ezra.bmp", "1.bmp",  "01.bmp",   "$.bmp",   "zz.bmp"};
  for (const char* n : names) dir.Write(n, "");
  pixtest::HostForm host;
  host.Make();
  TFileListBox list;
  list.SetMask("*.bmp");
  list.Create(host.Handle(), {.bounds = {0, 0, 200, 300}});
  list.SetFolder(dir.Path());
  // The control sorts the same names itself, inserted one at a time.
  HWND plain = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_SORT | LBS_HASSTRINGS, 0, 0, 10,
                               10, host.Handle(), nullptr, nullptr, nullptr);
  for (const std::string& n : Items(list))
    SendMessageA(plain, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(n.c_str()));
  ASSERT_EQ(list.Count(), static_cast<int>(std::size(names)));
  for (int i = 0; i < list.Count(); ++i) {
    char text[MAX_PATH] = {};
    SendMessageA(plain, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(list.Item(i), text) << "entry " << i;
  }
  DestroyWindow(plain);
}

TEST_F(FileList, SwitchingToAMissingFolderKeepsTheListAndRaises) {
  Touch(dir, "a.bmp");
  List().SetFolder(dir.Path());
  std::string before = List().FolderPath();
  ChangeLog log;
  log.Bind(List());
  try {
    List().SetFolderFromPath(dir.File("gone"));
    ADD_FAILURE() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(std::string(e.what()), "File not found");
  }
  try {
    List().SetFolder(dir.File("gone"));
    ADD_FAILURE() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), 2);
  }
  EXPECT_EQ(List().FolderPath(), before);
  EXPECT_EQ(Items(List()), (std::vector<std::string>{"a.bmp"}));
  EXPECT_TRUE(log.paths.empty());
  // A sub-folder given by a relative path text, and back with a trailing "\".
  ASSERT_TRUE(CreateDirectoryA(dir.File("sub").c_str(), nullptr));
  List().SetFolderFromPath("sub");
  EXPECT_TRUE(SameTextIgnoringCase(List().FolderPath(), dir.File("sub")));
  List().SetFolderFromPath(dir.Path() + "\\");
  EXPECT_TRUE(SameTextIgnoringCase(List().FolderPath(), dir.Path()));
  EXPECT_EQ(Items(List()), (std::vector<std::string>{"a.bmp"}));
}

TEST_F(FileList, SelectedFilePathAtADriveRootAndBelow) {
  // A drive root of the test prefix: C:\ itself.
  const std::string root = "C:\\pixlumen-list-test.bmp";
  ASSERT_FALSE(IsExistingFolder(root));
  HANDLE h = CreateFileA(root.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  List().SetFolderFromPath("C:\\");
  EXPECT_EQ(List().FolderPath(), "C:\\");
  int i = static_cast<int>(SendMessageA(List().Handle(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>("pixlumen-list-test.bmp")));
  ASSERT_GE(i, 0);
  List().SetItemIndex(i);
  EXPECT_EQ(List().SelectedFilePath(), root);
  List().SetFolder(dir.Path());  // leave C:\ before the file goes
  DeleteFileA(root.c_str());

  Touch(dir, "a.bmp");
  ASSERT_TRUE(CreateDirectoryA(dir.File("Pics").c_str(), nullptr));
  Touch(dir, "Pics\\a.bmp");
  List().SetFolderFromPath(dir.File("Pics"));
  List().SetItemIndex(0);
  EXPECT_EQ(List().SelectedFilePath(), List().FolderPath() + "\\a.bmp");
  EXPECT_TRUE(SameTextIgnoringCase(List().SelectedFilePath(), dir.File("Pics\\a.bmp")));
  EXPECT_TRUE(IsExistingFolder("Pics") == false);  // relative to the current directory, not the list
  EXPECT_TRUE(IsExistingFolder(".."));
}

TEST_F(FileList, LayoutItemHeightAndGlyphs) {
  Touch(dir, "a.bmp");
  Touch(dir, "setup.exe");
  List().SetMask("*.*");
  List().SetFolder(dir.Path());
  // The filter box sits 4 below the top of its panel, full width, 24 high or as
  // high as its font needs, also after the window was resized.
  SetWindowPos(fm->Handle(), nullptr, 0, 0, 820, 640, SWP_NOMOVE | SWP_NOZORDER);
  Settle();
  TRect cb = fm->cbFilter.Bounds(), panel = fm->pnFileFilter.ClientRect();
  EXPECT_EQ(cb.top, fm->S(4));
  EXPECT_GE(cb.Height(), fm->S(24));
  EXPECT_LE(cb.bottom, panel.bottom);
  EXPECT_EQ(cb.left, 0);
  EXPECT_EQ(cb.right, panel.right);
  // The list fills what the tree, the splitter and the filter panel leave.
  TRect l = List().Bounds();
  EXPECT_EQ(l.top, fm->splNavigation.Bounds().bottom);
  EXPECT_EQ(l.bottom, fm->pnFileFilter.Bounds().top);
  EXPECT_EQ(l.Width(), fm->pnNavigation.ClientRect().Width());
  // Item height: the font's cell or the glyph height + 1, whichever is larger.
  HDC dc = GetDC(List().Handle());
  HGDIOBJ old = SelectObject(dc, fm->Font());
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(List().Handle(), dc);
  int expected = std::max<int>(tm.tmHeight, 16);
  EXPECT_EQ(List().ItemHeight(), expected);
  EXPECT_EQ(SendMessageA(List().Handle(), LB_GETITEMHEIGHT, 0, 0), expected);

  ASSERT_EQ(Items(List()), (std::vector<std::string>{"a.bmp", "setup.exe"}));
  EXPECT_EQ(SendMessageA(List().Handle(), LB_GETITEMDATA, 1, 0),
            static_cast<LRESULT>(TGlyphKind::Executable));
  RedrawWindow(List().Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  pixtest::Capture c = pixtest::CaptureClient(List().Handle());
  uint32_t window = GetSysColor(COLOR_WINDOW);
  uint32_t windowRgb = (GetRValue(window) << 16) | (GetGValue(window) << 8) | GetBValue(window);
  // The page glyph: its blue background is not drawn, its black outline is.
  int top0 = (0 + expected - 15) / 2;
  EXPECT_EQ(c.At(2, top0 + 14), windowRgb);   // bottom-left pixel: transparent
  EXPECT_EQ(c.At(2 + 2, top0 + 5), 0u);       // the page's left edge
  bool blue = false;
  for (int y = 0; y < expected * 2; ++y)
    for (int x = 0; x < 22; ++x) blue |= c.At(x, y) == 0x0000FF;
  EXPECT_FALSE(blue);
  // The text starts 22 pixels in: nothing but background between glyph and text
  // (inside the focus rectangle: the list has the keyboard in a new window).
  for (int y = 1; y + 1 < expected; ++y) EXPECT_EQ(c.At(20, y), windowRgb) << y;
}

// On the screen after the tree/list splitter is dragged down, then up: every
// entry drawn, and the filter box's text whole, its descenders included.
TEST_F(FileList, DrawnWholeAfterTheSplitterIsDragged) {
  for (char c = 'a'; c < 'h'; ++c) dir.Write(std::string(1, c) + ".bmp", SolidBitmap(4, 4, 0));
  List().SetFolder(dir.Path());
  ClickEntry(List(), 0);
  HWND split = fm->splNavigation.Handle();
  for (int by : {40, -60}) {
    SendMessageA(split, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 1));
    SendMessageA(split, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 1 + by));
    SendMessageA(split, WM_LBUTTONUP, 0, MAKELPARAM(5, 1 + by));
    Settle();
    auto drawn = [&](int i) {
      RECT r{};
      SendMessageA(List().Handle(), LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
      r.left += 22;  // the name, past the glyph
      return pixtest::Ink(pixtest::CaptureScreen(List().Handle(), r)) > 10;
    };
    // What was painted reaches the screen a moment later.
    pixtest::WaitFor([&] {
      for (int i = 0; i < List().Count(); ++i)
        if (!drawn(i)) return false;
      return true;
    }, 2000);
    for (int i = 0; i < List().Count(); ++i) EXPECT_TRUE(drawn(i)) << by << ": " << i;
  }
  // "Bitmaps ( *.bmp )" fits the box's width: all of its ink shows.
  HWND box = fm->cbFilter.Handle();
  fm->cbFilter.SetItemIndex(3);
  RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  COMBOBOXINFO info{sizeof info};
  ASSERT_TRUE(GetComboBoxInfo(box, &info));
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0));
  int whole = pixtest::InkOfText(font, fm->cbFilter.Item(3)) * 97 / 100, shown = 0;
  pixtest::WaitFor([&] { return (shown = pixtest::Ink(pixtest::CaptureScreen(box, info.rcItem))) >= whole; }, 2000);
  EXPECT_GE(shown, whole);
}

// The main window's selected-file step, with real bitmaps.
TEST_F(FileList, StatusBarDescribesTheLoadedFile) {
  struct Case {
    const char* name;
    int w, h;
    size_t size;
    const char* sizeText;
    const char* dims;
  } cases[] = {
      {"a.bmp", 20, 10, 1536, "2 Kb", "20x10"},
      {"b.bmp", 16, 16, 2560, "2 Kb", "16x16"},
      {"c.bmp", 30, 20, 3584, "4 Kb", "30x20"},
      {"d.bmp", 4, 2, 100, "0 Kb", "4x2"},
      {"e.bmp", 640, 480, 0, "900 Kb", "640x480"},
  };
  for (const Case& c : cases) dir.Write(c.name, SolidBitmap(c.w, c.h, RGB(255, 0, 0), c.size));
  List().SetFolder(dir.Path());
  ASSERT_EQ(List().Count(), 5);
  for (int i = 0; i < 5; ++i) {
    ClickEntry(List(), i);
    EXPECT_EQ(fm->StatusBar.PanelText(0), cases[i].sizeText) << cases[i].name;
    EXPECT_EQ(fm->StatusBar.PanelText(1), cases[i].dims) << cases[i].name;
    EXPECT_EQ(fm->StatusBar.PanelText(2), List().FolderPath() + "\\" + cases[i].name);
  }
}

TEST_F(FileList, FailedLoadKeepsThePreviewAndTheStatusBar) {
  dir.Write("a.bmp", SolidBitmap(40, 30, RGB(0, 0, 255)));
  std::string broken = SolidBitmap(40, 30, RGB(0, 255, 0));
  broken[1] = 'A';  // "BA": not a bitmap's signature
  dir.Write("b.bmp", broken);
  List().SetFolder(dir.Path());
  ClickEntry(List(), 0);
  ASSERT_EQ(fm->StatusBar.PanelText(1), "40x30");
  auto centre = [&] {
    RedrawWindow(fm->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE | RDW_ALLCHILDREN);
    pixtest::Capture cap = pixtest::CaptureClient(fm->Handle());
    TRect img = fm->Img.Bounds();
    return cap.At((img.left + img.right) / 2, (img.top + img.bottom) / 2);
  };
  EXPECT_EQ(centre(), 0x0000FFu);

  auto seen = CatchMessageBox([&] { ClickEntry(List(), 1); });
  EXPECT_TRUE(seen.shown);
  EXPECT_EQ(seen.caption, "Pixlumen");
  EXPECT_EQ(seen.text, "Bitmap image is not valid.");
  EXPECT_EQ(List().ItemIndex(), 1);
  EXPECT_EQ(fm->StatusBar.PanelText(0), "4 Kb");
  EXPECT_EQ(fm->StatusBar.PanelText(1), "40x30");
  EXPECT_EQ(fm->StatusBar.PanelText(2), List().FolderPath() + "\\a.bmp");
  EXPECT_EQ(fm->Img.Picture().Width(), 40);
  EXPECT_EQ(centre(), 0x0000FFu);

  // An empty selection (a refill) blanks the preview; the status bar stays.
  KeyDown(fm->cbFilter.Handle(), VK_END);  // icons only
  EXPECT_EQ(List().Count(), 0);
  EXPECT_EQ(fm->Img.Picture().Graphic(), nullptr);
  EXPECT_NE(centre(), 0x0000FFu);
  EXPECT_EQ(fm->StatusBar.PanelText(1), "40x30");
}

}  // namespace
}  // namespace pix
