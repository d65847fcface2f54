#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>

#include "pictures/status_core.h"
#include "browse/filelist_core.h"
#include "ui/errors.h"

namespace pix {
namespace {

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// A file system with drives, per-drive current directories and network shares,
// resolving paths the way the platform does for the operations the split uses.
class FakeDirs : public IDirectoryOps {
public:
  std::set<std::string> dirs, files;  // upper case, absolute, no trailing "\" but on roots
  std::map<char, std::string> driveCurrent;
  std::string current;
  std::vector<std::string> entered;  // every successful change, in order

  void Dir(const std::string& d) { dirs.insert(Upper(d)); }
  void File(const std::string& f) { files.insert(Upper(f)); }

  static std::string Trim(std::string p) {
    bool driveRoot = p.size() == 3 && p[1] == ':';
    if (!driveRoot && p.size() > 1 && p.back() == '\\') p.pop_back();
    return p;
  }
  std::string Resolve(const std::string& p) const {
    if (p.size() == 2 && p[1] == ':') {
      auto it = driveCurrent.find(static_cast<char>(toupper(p[0])));
      return it != driveCurrent.end() ? it->second : p + "\\";
    }
    if (p.size() >= 3 && p[1] == ':' && p[2] == '\\') return Trim(p);
    if (p.size() >= 2 && p[1] == ':') return Trim(Resolve(p.substr(0, 2)) + "\\" + p.substr(2));
    if (p.rfind("\\\\", 0) == 0) return Trim(p);
    if (!p.empty() && p[0] == '\\') return Trim(PathRoot(current) + p);
    return Trim(current + (current.back() == '\\' ? "" : "\\") + p);
  }
  std::string CurrentFolder() override { return current; }
  unsigned EnterFolder(const std::string& path) override {
    std::string r = Resolve(path);
    if (!dirs.count(Upper(r))) return files.count(Upper(r)) ? 267 : 2;
    current = r;
    if (r[1] == ':') driveCurrent[static_cast<char>(toupper(r[0]))] = r;
    entered.push_back(r);
    return 0;
  }
  bool FolderExists(const std::string& path) override { return dirs.count(Upper(Resolve(path))); }
  bool FileExists(const std::string& path) override { return files.count(Upper(Resolve(path))); }
};

class PathSplit : public testing::Test {
protected:
  void SetUp() override {
    for (const char* d : {"C:\\", "C:\\Photos", "C:\\Photos\\Trip", "C:\\Photos\\Trip\\x.jpg",
                          "D:\\", "D:\\Work", "\\\\srv\\pics", "\\\\srv\\pics\\2004"})
      fs.Dir(d);
    fs.File("C:\\Photos\\a.bmp");
    fs.current = "C:\\Photos";
    fs.driveCurrent['C'] = "C:\\Photos";
    fs.driveCurrent['D'] = "D:\\Work";
  }
  FakeDirs fs;
};

TEST_F(PathSplit, FoldersDrivesAndNetworkRoots) {
  struct Case {
    const char* text;
    char drive;
    const char* dir;
    const char* name;
    const char* folder;
  } cases[] = {
      {"C:\\Photos\\Trip", 'C', "\\Photos\\Trip", "", "C:\\Photos\\Trip"},
      {"C:\\Photos\\Trip\\", 'C', "\\Photos\\Trip", "", "C:\\Photos\\Trip"},
      {"C:\\", 'C', "\\", "", "C:\\"},
      {"D:\\", 'D', "\\", "", "D:\\"},
      {"C:\\Photos", 'C', "\\Photos", "", "C:\\Photos"},
      // A drive alone means that drive's current directory.
      {"D:", 'D', "\\Work", "", "D:\\Work"},
      {"\\\\srv\\pics\\2004", 0, "\\\\srv\\pics\\2004", "", "\\\\srv\\pics\\2004"},
      // Relative texts are taken in the current directory.
      {"Trip", 'C', "\\Photos\\Trip", "", "C:\\Photos\\Trip"},
      {"\\Photos", 'C', "\\Photos", "", "C:\\Photos"},
      // A sub-folder whose name looks like a picture is still a folder.
      {"C:\\Photos\\Trip\\x.jpg", 'C', "\\Photos\\Trip\\x.jpg", "", "C:\\Photos\\Trip\\x.jpg"},
      // An existing file stays the name part; wildcards are never entered.
      {"C:\\Photos\\a.bmp", 'C', "\\Photos", "a.bmp", "C:\\Photos"},
      {"C:\\Photos\\*.bmp", 'C', "\\Photos", "*.bmp", "C:\\Photos"},
      {"C:\\Photos\\b?.jpg", 'C', "\\Photos", "b?.jpg", "C:\\Photos"},
      // The bracketed text form of a directory entry.
      {"[Trip]", 'C', "\\Photos\\Trip", "", "C:\\Photos\\Trip"},
  };
  for (const Case& c : cases) {
    fs.driveCurrent['D'] = "D:\\Work";  // entering D:\ earlier moved it
    TPathParts p = SplitPathText(fs, c.text);
    EXPECT_EQ(p.drive, c.drive) << c.text;
    EXPECT_EQ(p.dir, c.dir) << c.text;
    EXPECT_EQ(p.name, c.name) << c.text;
    EXPECT_EQ(p.Folder(), c.folder) << c.text;
    EXPECT_EQ(fs.current, "C:\\Photos") << c.text << ": the current directory is restored";
  }
}

TEST_F(PathSplit, FromANetworkCurrentDirectory) {
  fs.current = "\\\\srv\\pics";
  TPathParts p = SplitPathText(fs, "2004");
  EXPECT_EQ(p.drive, 0);
  EXPECT_EQ(p.dir, "\\\\srv\\pics\\2004");
  EXPECT_EQ(fs.current, "\\\\srv\\pics");
  // The bracket form has no root part, so the folder stays relative to the share.
  p = SplitPathText(fs, "[2004]");
  EXPECT_EQ(p.Folder(), "\\2004");
}

TEST_F(PathSplit, MissingFolderRaisesAfterRestoring) {
  struct Case { const char* text; const char* message; } cases[] = {
      {"C:\\Photos\\Gone", "File not found"},
      {"C:\\Gone\\Trip", "File not found"},
      {"E:\\Nowhere", "File not found"},
  };
  for (const Case& c : cases) {
    try {
      SplitPathText(fs, c.text);
      ADD_FAILURE() << c.text << " did not raise";
    } catch (const EInOutError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.text;
      EXPECT_EQ(e.ErrorCode(), 2);
    }
    EXPECT_EQ(fs.current, "C:\\Photos") << c.text;
  }
}

TEST_F(PathSplit, VanishedStartFolderIsNotRestored) {
  fs.current = "C:\\Photos\\Trip";
  fs.dirs.erase(Upper("C:\\Photos\\Trip"));
  TPathParts p = SplitPathText(fs, "D:\\Work");
  EXPECT_EQ(p.Folder(), "D:\\Work");
  EXPECT_EQ(fs.current, "D:\\Work");
}

TEST(PathRoot, DrivesSharesAndNone) {
  EXPECT_EQ(PathRoot("C:\\x\\y"), "C:");
  EXPECT_EQ(PathRoot("c:"), "c:");
  EXPECT_EQ(PathRoot("\\\\srv\\share\\dir"), "\\\\srv\\share");
  EXPECT_EQ(PathRoot("\\\\srv\\share"), "\\\\srv\\share");
  EXPECT_EQ(PathRoot("\\\\srv"), "\\\\srv");
  EXPECT_EQ(PathRoot("\\dir"), "");
  EXPECT_EQ(PathRoot("dir"), "");
  EXPECT_EQ(PathRoot(""), "");
}

TEST(IoErrorText, ByPlatformCode) {
  struct Case { unsigned code; const char* text; } cases[] = {
      {2, "File not found"},          {3, "Invalid filename"},
      {4, "Too many open files"},     {5, "File access denied"},
      {100, "Read beyond end of file"}, {101, "Disk full"},
      {106, "Invalid numeric input"}, {21, "I/O error 21"},
      {267, "I/O error 267"},         {0, "I/O error 0"},
  };
  for (const Case& c : cases) EXPECT_EQ(IoErrorText(c.code), c.text) << c.code;
}

TEST(SplitMask, PiecesAreNotTrimmedAndEmptiesKept) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitMask("*.jpg;*.jpeg;*.wmf;*.bmp;*.ico"),
            (V{"*.jpg", "*.jpeg", "*.wmf", "*.bmp", "*.ico"}));
  EXPECT_EQ(SplitMask("*.*"), (V{"*.*"}));
  EXPECT_EQ(SplitMask(" *.jpg ;;*.bmp;"), (V{" *.jpg ", "", "*.bmp", ""}));
  EXPECT_EQ(SplitMask(""), (V{""}));
}

TEST(ParseFilter, DescriptionsAndPatterns) {
  const std::string form =
      "All files (*.jpg; *.jpeg; *.wmf; *.bmp; *.ico)|*.jpg;*.jpeg;*.wmf;*.bmp;*.ico|"
      "JPEG image ( *.jpg; *.jpeg )|*.jpg;*.jpeg|Metafiles ( *.wmf )|*.wmf|"
      "Bitmaps ( *.bmp )|*.bmp|Icons ( *.ico )|*.ico";
  auto e = ParseFilter(form);
  ASSERT_EQ(e.size(), 5u);
  EXPECT_EQ(e[0].description, "All files (*.jpg; *.jpeg; *.wmf; *.bmp; *.ico)");
  EXPECT_EQ(e[0].patterns, "*.jpg;*.jpeg;*.wmf;*.bmp;*.ico");
  EXPECT_EQ(e[1].patterns, "*.jpg;*.jpeg");
  EXPECT_EQ(e[4].description, "Icons ( *.ico )");
  EXPECT_EQ(e[4].patterns, "*.ico");

  struct Case { const char* text; size_t count; const char* lastDesc; const char* lastPat; } cases[] = {
      {"A|*.a|B", 1, "A", "*.a"},         // a trailing description without "|" is dropped
      {"A|*.a|B|", 2, "B", ""},           // ... but kept with an empty pattern list after "|"
      {"no bars at all", 0, "", ""},
      {"", 0, "", ""},
      {"|", 1, "", ""},
      {"All files (*.*)|*.*", 1, "All files (*.*)", "*.*"},
  };
  for (const Case& c : cases) {
    auto r = ParseFilter(c.text);
    ASSERT_EQ(r.size(), c.count) << c.text;
    if (c.count) {
      EXPECT_EQ(r.back().description, c.lastDesc) << c.text;
      EXPECT_EQ(r.back().patterns, c.lastPat) << c.text;
    }
  }
}

TEST(FilterPatterns, SelectedLastOrEverything) {
  auto e = ParseFilter("A|*.a|B|*.b;*.c");
  EXPECT_EQ(FilterPatterns(e, 0), "*.a");
  EXPECT_EQ(FilterPatterns(e, 1), "*.b;*.c");
  EXPECT_EQ(FilterPatterns(e, -1), "*.b;*.c");
  EXPECT_EQ(FilterPatterns({}, -1), "*.*");
  EXPECT_EQ(FilterPatterns({}, 0), "*.*");
}

TEST(GlyphForFileName, ProgramsByExtensionAnyCase) {
  struct Case { const char* name; TGlyphKind kind; } cases[] = {
      {"setup.exe", TGlyphKind::Executable}, {"CMD.COM", TGlyphKind::Executable},
      {"run.Bat", TGlyphKind::Executable},   {"dos.pif", TGlyphKind::Executable},
      {"a.bmp", TGlyphKind::UnknownFile},    {"b.JPG", TGlyphKind::UnknownFile},
      {"exe", TGlyphKind::UnknownFile},      {"a.exe.txt", TGlyphKind::UnknownFile},
      {"x.exex", TGlyphKind::UnknownFile},   {"noext", TGlyphKind::UnknownFile},
  };
  for (const Case& c : cases) EXPECT_EQ(GlyphForFileName(c.name), c.kind) << c.name;
}

TEST(AttributeRule, NormalListsEverythingTheEnumerationKeeps) {
  const unsigned ro = 1, hidden = 2, system = 4, volume = 8, dir = 16, archive = 32;
  struct Case { unsigned attrs, fileType; bool listed; } cases[] = {
      {0, ftNormal, true},           {archive, ftNormal, true},
      {ro | archive, ftNormal, true}, {hidden, ftNormal, false},
      {system, ftNormal, false},     {volume, ftNormal, false},
      {dir, ftNormal, false},        {dir | hidden, ftNormal | ftDirectory, false},
      {dir, ftNormal | ftDirectory, true},
      {dir, ftDirectory, true},      {0, ftDirectory, false},
      {ro, ftReadOnly, true},        {archive, ftReadOnly, false},
      {hidden | archive, ftHidden | ftArchive, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ListedEntry(c.attrs, c.fileType), c.listed) << c.attrs << " " << c.fileType;
  EXPECT_EQ(AttributeWord(ftNormal), 0u);
  EXPECT_EQ(AttributeWord(ftNormal | ftDirectory | ftHidden), 18u);
}

TEST(TypeAhead, PrefixPauseAndBackspace) {
  TTypeAhead t;
  EXPECT_EQ(t.Key("b", 1000), "b");
  EXPECT_EQ(t.Key("i", 1499), "bi");   // 499 ms later: same prefix
  EXPECT_EQ(t.Key("r", 1999), "r");    // exactly 500 ms: a new prefix
  EXPECT_EQ(t.Key("o", 2100), "ro");
  EXPECT_EQ(t.Key("\b", 2200), "r");
  EXPECT_EQ(t.Key("\b", 2300), "");
  EXPECT_EQ(t.Key("\b", 2400), "");    // nothing left to remove
  EXPECT_EQ(t.Key("\b", 5000), "");
  // The tick count wraps after 49.7 days.
  EXPECT_EQ(t.Key("x", 0xFFFFFF00u), "x");
  EXPECT_EQ(t.Key("y", 0x00000010u), "xy");
}

TEST(TypeAhead, BackspaceRemovesAWholeCharacter) {
  TTypeAhead utf8;
  utf8.Key("a", 0);
  utf8.Key("\xD0\xAF", 10);        // Я, two bytes
  utf8.Key("\xE2\x82\xAC", 20);    // €, three bytes
  EXPECT_EQ(utf8.Key("\b", 30), "a\xD0\xAF");
  EXPECT_EQ(utf8.Key("\b", 40), "a");

  TTypeAhead dbcs([](unsigned char b) { return b >= 0x81 && b <= 0x9F; });
  dbcs.Key("\x82\xA0", 0);  // a lead byte whose trail looks like a lead byte
  dbcs.Key("\x82\x81", 10);
  EXPECT_EQ(dbcs.Key("\b", 20), "\x82\xA0");
  dbcs.Key("z", 30);
  EXPECT_EQ(dbcs.Key("\b", 40), "\x82\xA0");
}

TEST(Utf8Length, LeadBytes) {
  EXPECT_EQ(Utf8Length('a'), 1);
  EXPECT_EQ(Utf8Length(0xD0), 2);
  EXPECT_EQ(Utf8Length(0xE2), 3);
  EXPECT_EQ(Utf8Length(0xF0), 4);
  EXPECT_EQ(Utf8Length(0x80), 1);
  EXPECT_EQ(Utf8Length(0xFF), 1);
}

// The position each entry lands at when inserted at its sorted place.
std::vector<size_t> Landings(const std::vector<std::string>& keys) {
  std::vector<std::string> list;
  std::vector<size_t> out;
  for (const auto& k : keys) {
    auto at = std::upper_bound(list.begin(), list.end(), k);
    out.push_back(static_cast<size_t>(at - list.begin()));
    list.insert(at, k);
  }
  return out;
}

TEST(LandingWatch, AgreesWithInsertingIntoASortedList) {
  auto name = [](int i) {
    char b[16];
    snprintf(b, sizeof b, "f%04d", i);
    return std::string(b);
  };
  std::vector<std::vector<std::string>> orders(4);
  for (int i = 0; i < 150; ++i) orders[0].push_back(name(i));           // alphabetical
  for (int i = 149; i >= 0; --i) orders[1].push_back(name(i));          // reverse
  for (int i = 0; i < 400; ++i) orders[2].push_back(name((i * 7919) % 400));  // scattered
  for (int i = 0; i < 300; ++i) orders[3].push_back(name(i % 120));     // with equal keys
  for (size_t o = 0; o < orders.size(); ++o) {
    TLandingWatch w(100);
    std::vector<size_t> expected = Landings(orders[o]);
    for (size_t i = 0; i < orders[o].size(); ++i)
      EXPECT_EQ(w.Add(orders[o][i]), expected[i] == 100) << "order " << o << " entry " << i;
  }
  // Alphabetical: the 101st entry lands at 100; reverse: every entry lands at 0.
  TLandingWatch a(100), r(100);
  int hitA = -1, hitR = -1;
  for (int i = 0; i < 150; ++i) {
    if (a.Add(orders[0][static_cast<size_t>(i)]) && hitA < 0) hitA = i;
    if (r.Add(orders[1][static_cast<size_t>(i)]) && hitR < 0) hitR = i;
  }
  EXPECT_EQ(hitA, 100);
  EXPECT_EQ(hitR, -1);
}

TEST(StatusTexts, KilobytesRoundHalfToEven) {
  struct Case { uint64_t bytes; const char* text; } cases[] = {
      {0, "0 Kb"},          {100, "0 Kb"},           {511, "0 Kb"},
      {512, "0 Kb"},        {513, "1 Kb"},           {1024, "1 Kb"},
      {1536, "2 Kb"},       {2560, "2 Kb"},          {3584, "4 Kb"},
      {1048576, "1024 Kb"}, {0xFFFFFFFFu, "4194304 Kb"}, {5368709120ull, "5242880 Kb"},
  };
  for (const Case& c : cases) EXPECT_EQ(SizeText(c.bytes), c.text) << c.bytes;
  EXPECT_EQ(DimensionsText(640, 480), "640x480");
  EXPECT_EQ(DimensionsText(32, 32), "32x32");
  EXPECT_EQ(DimensionsText(0, 0), "0x0");
}

// The list's folder texts are taken from the folder shown, never through the
// current directory, and keep every name as it is: the platform's own tidying
// would read "Album." as its sibling "Album".
TEST(JoinPath, FolderTextsFromTheFolderShown) {
  struct Case {
    const char* base;
    const char* path;
    const char* joined;
  } cases[] = {
      {"C:\\Pics", "Trip", "C:\\Pics\\Trip"},
      {"C:\\Pics", "Trip\\", "C:\\Pics\\Trip"},
      {"C:\\Pics", "Album.", "C:\\Pics\\Album."},
      {"C:\\Pics", "Album. \\x ", "C:\\Pics\\Album. \\x "},
      {"C:\\Pics\\Trip", "..", "C:\\Pics"},
      {"C:\\Pics\\Trip", ".\\..\\..\\..", "C:\\"},
      {"C:\\Pics", "\\Other", "C:\\Other"},
      {"C:\\Pics", "c:", "C:\\Pics"},  // the drive's current folder: the one shown
      {"C:\\Pics", "D:", "D:\\"},
      {"C:\\Pics", "D:x", "D:\\x"},
      {"C:\\Pics", "D:\\a\\\\b\\", "D:\\a\\b"},
      {"C:\\", "Pics", "C:\\Pics"},
      {"C:\\Pics", "C:\\", "C:\\"},
      {"\\\\srv\\share\\a", "..\\..", "\\\\srv\\share\\"},
      {"\\\\srv\\share\\a", "b", "\\\\srv\\share\\a\\b"},
      {"\\\\srv\\share\\a", "\\c", "\\\\srv\\share\\c"},
      {"C:\\Pics", "E:\\a/b", "E:\\a\\b"},
  };
  for (const Case& c : cases) EXPECT_EQ(JoinPath(c.base, c.path), c.joined) << c.base << " + " << c.path;
}

}  // namespace
}  // namespace pix
