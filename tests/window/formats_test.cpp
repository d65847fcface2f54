// The picture format list, the open dialog's filter text, and loading a file into
// a picture holder by its extension.
#include <gtest/gtest.h>

#include "../fixtures/bmp_bytes.h"
#include "pictures/bitmap.h"
#include "pictures/graphic.h"
#include "pictures/icon.h"
#include "pictures/metafile.h"
#include "testutil.h"
#include "ui/app.h"
#include "ui/errors.h"

namespace pix {
namespace {

using pixtest::BmpSpec;
using pixtest::MakeBmp;
using pixtest::TempDir;

// Stands in for the JPEG kind when the program's start-up step has not run here.
const TGraphicClass TestJpegKind{"TJPEGImage", &TGraphicKind, nullptr};
const TGraphicClass TestBaseKind{"TTestBase", &TGraphicKind, nullptr};
const TGraphicClass TestDerivedKind{"TTestDerived", &TestBaseKind, nullptr};

// The list as the program has it after start-up: entries 5 and 6 for JPEG.
class WithJpegEntries : public testing::Test {
 protected:
  void SetUp() override {
    if (!FindPictureKind("jpg")) {
      AddPictureFormat("jpeg", "JPEG Image File", TestJpegKind);
      AddPictureFormat("JPG", "JPEG Image File", TestJpegKind);  // stored lowered
      added_ = true;
    }
  }
  void TearDown() override {
    if (added_) RemovePictureFormats(TestJpegKind);
  }
  bool added_ = false;
};

TEST_F(WithJpegEntries, DialogFilterHasTheSevenEntries) {
  EXPECT_EQ(BuildPictureFilter(TGraphicKind),
            "All (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf|"
            "JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|"
            "Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|"
            "Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf");
}

TEST_F(WithJpegEntries, KindsByExtensionWithoutRegardToCase) {
  const TGraphicClass* jpeg = FindPictureKind("jpg");
  ASSERT_NE(jpeg, nullptr);
  EXPECT_STREQ(jpeg->name, "TJPEGImage");
  struct Case {
    const char* ext;
    const TGraphicClass* kind;
  } cases[] = {{"JPG", jpeg},           {"Jpeg", jpeg},      {"bmp", &TBitmapKind},
               {"BMP", &TBitmapKind},   {"ico", &TIconKind}, {"emf", &TMetafileKind},
               {"WMF", &TMetafileKind}, {"tif", nullptr},    {"", nullptr},
               {"bmp ", nullptr},       {"jpe", nullptr}};
  for (const auto& c : cases) EXPECT_EQ(FindPictureKind(c.ext), c.kind) << c.ext;
}

TEST(PictureFormats, FilterForOneKindAndForNone) {
  EXPECT_EQ(BuildPictureFilter(TBitmapKind), "Bitmaps (*.bmp)|*.bmp");
  EXPECT_EQ(
      BuildPictureFilter(TMetafileKind),
      "All (*.emf;*.wmf)|*.emf;*.wmf|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf");
  EXPECT_EQ(BuildPictureFilter(TestBaseKind), "");
}

TEST(PictureFormats, LaterEntriesWinAndRemovingTakesDerivedKinds) {
  AddPictureFormat("BMP", "Other bitmaps", TestDerivedKind);
  AddPictureFormat("tst", "Tests", TestBaseKind);
  AddPictureFormat("", "No extension", TestBaseKind);  // never in a filter
  EXPECT_EQ(FindPictureKind("bmp"), &TestDerivedKind);
  EXPECT_EQ(FindPictureKind("TST"), &TestBaseKind);
  EXPECT_EQ(BuildPictureFilter(TestBaseKind),
            "All (*.tst;*.bmp)|*.tst;*.bmp|Tests (*.tst)|*.tst|Other bitmaps (*.bmp)|*.bmp");
  RemovePictureFormats(TestBaseKind);
  EXPECT_EQ(FindPictureKind("bmp"), &TBitmapKind);
  EXPECT_EQ(FindPictureKind("tst"), nullptr);
  EXPECT_EQ(FindPictureKind(""), nullptr);
  EXPECT_EQ(BuildPictureFilter(TBitmapKind), "Bitmaps (*.bmp)|*.bmp");
}

std::string LoadFailure(TPicture& holder, const std::string& name) {
  try {
    LoadPictureFile(holder, name);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

TEST(LoadPictureFile, UnknownExtensionsFailBeforeTheFileIsOpened) {
  TPicture holder;
  int changes = 0;
  holder.OnChange = [&] { ++changes; };
  struct Case {
    const char* name;
    const char* message;
  } cases[] = {
      {"C:\\pics\\scan.tif", "Unknown picture file extension (.tif)"},
      {"C:\\pics\\scan.TIF", "Unknown picture file extension (.TIF)"},
      {"", "Unknown picture file extension (.)"},
      {"photo", "Unknown picture file extension (.)"},
      {"C:\\my.pics\\readme", "Unknown picture file extension (.)"},
      {"C:readme", "Unknown picture file extension (.)"},
      {"C:\\pics\\archive.tar.gz", "Unknown picture file extension (.gz)"},
      {"C:\\pics\\photo.", "Unknown picture file extension (.)"},
  };
  for (const auto& c : cases) EXPECT_EQ(LoadFailure(holder, c.name), c.message) << c.name;
  EXPECT_EQ(holder.Graphic(), nullptr);
  EXPECT_EQ(changes, 0);
}

TEST(LoadPictureFile, SuccessInstallsOnceFailureKeepsTheOldPicture) {
  TempDir dir;
  BmpSpec b;
  b.width = 6;
  b.height = 5;
  b.pixels = std::string(pixtest::RowBytes(6, 24) * 5, '\x20');
  dir.Write("a.BMP", MakeBmp(b));
  b.width = 2;
  b.height = 2;
  dir.Write("b.bmp", MakeBmp(b));
  dir.Write("broken.bmp", "BA" + std::string(60, '\0'));
  dir.Write("short.bmp", "BM");

  TPicture holder;
  int changes = 0;
  holder.OnChange = [&] { ++changes; };
  EXPECT_EQ(holder.Width(), 0);
  ASSERT_EQ(LoadFailure(holder, dir.File("a.BMP")), "");
  EXPECT_EQ(changes, 1);
  TGraphic* first = holder.Graphic();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(&first->Kind(), &TBitmapKind);
  EXPECT_EQ(holder.Width(), 6);
  EXPECT_EQ(holder.Height(), 5);

  struct Case {
    std::string name, message;
  } failures[] = {
      {dir.File("broken.bmp"), "Bitmap image is not valid"},
      {dir.File("short.bmp"), "Stream read error"},
      {dir.File("none.bmp"), "Cannot open file \"" + dir.File("none.bmp") + "\". " +
                                 SysErrorMessage(ERROR_FILE_NOT_FOUND)},
      {dir.File("none.tif"), "Unknown picture file extension (.tif)"},  // not "Cannot open"
  };
  for (const auto& f : failures) {
    EXPECT_EQ(LoadFailure(holder, f.name), f.message);
    EXPECT_EQ(holder.Graphic(), first);
    EXPECT_EQ(holder.Width(), 6);
    EXPECT_EQ(changes, 1);
  }

  // The installed picture's own changes reach the holder; the next load replaces it.
  ASSERT_EQ(LoadFailure(holder, dir.File("b.bmp")), "");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(holder.Width(), 2);
  auto* bmp = static_cast<TBitmap*>(holder.Graphic());
  bmp->SetPalette(TOwnedPalette());
  EXPECT_EQ(changes, 3);

  // A file of 0 bytes: an empty bitmap of 0 x 0, installed with one signal.
  dir.Write("empty.bmp", "");
  ASSERT_EQ(LoadFailure(holder, dir.File("empty.bmp")), "");
  EXPECT_EQ(changes, 4);
  ASSERT_NE(holder.Graphic(), nullptr);
  EXPECT_TRUE(holder.Graphic()->Empty());
  EXPECT_EQ(holder.Width(), 0);

  ClearPicture(holder);
  EXPECT_EQ(holder.Graphic(), nullptr);
  EXPECT_EQ(changes, 5);
}

// A kind that reports progress while it reads, as the JPEG reader does.
class TProgressPicture : public TGraphic {
 public:
  const TGraphicClass& Kind() const override;
  void LoadFromStream(TStream& stream) override {
    RECT r{0, 0, 1, 2};
    Progress(TProgressStage::psRunning, 50, true, r, "half");
    std::vector<char> rest(static_cast<size_t>(stream.Remaining()));
    stream.ReadBuffer(rest.data(), rest.size());
    if (rest.empty()) throw EInvalidGraphic("empty");
  }
  int Width() const override { return 1; }
  int Height() const override { return 1; }
  bool Empty() const override { return false; }
  void Draw(HDC, const RECT&) override {}
  std::unique_ptr<TGraphic> Clone() const override { return nullptr; }
};
const TGraphicClass TestProgressKind{"TProgressPicture", &TGraphicKind, [] {
                                       return std::unique_ptr<TGraphic>(new TProgressPicture);
                                     }};
const TGraphicClass& TProgressPicture::Kind() const {
  return TestProgressKind;
}

TEST(LoadPictureFile, ProgressDuringTheReadReachesTheHolder) {
  AddPictureFormat("prg", "Progress", TestProgressKind);
  TempDir dir;
  dir.Write("a.prg", "x");
  dir.Write("empty.prg", "");
  TPicture holder;
  int changes = 0, reports = 0;
  void* sender = nullptr;
  holder.OnChange = [&] { ++changes; };
  holder.OnProgress = [&](void* s, TProgressStage stage, uint8_t percent, bool redraw,
                          const RECT& r, const std::string& msg) {
    ++reports;
    sender = s;
    EXPECT_EQ(stage, TProgressStage::psRunning);
    EXPECT_EQ(percent, 50);
    EXPECT_TRUE(redraw);
    EXPECT_EQ(r.bottom, 2);
    EXPECT_EQ(msg, "half");
  };
  // A failing read still reported its progress, and changed nothing.
  EXPECT_EQ(LoadFailure(holder, dir.File("empty.prg")), "empty");
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(holder.Graphic(), nullptr);
  EXPECT_EQ(LoadFailure(holder, dir.File("a.prg")), "");
  EXPECT_EQ(reports, 2);
  EXPECT_EQ(sender, holder.Graphic());  // the new picture, before it was installed
  EXPECT_EQ(changes, 1);
  RemovePictureFormats(TestProgressKind);
  EXPECT_EQ(FindPictureKind("prg"), nullptr);
}

TEST(LoadPictureFile, TheFileIsClosedAfterwardsAndSharedForReading) {
  TempDir dir;
  BmpSpec b;
  b.pixels = std::string(48, '\0');
  dir.Write("c.bmp", MakeBmp(b));
  std::string name = dir.File("c.bmp");
  // Another reader may hold it open; a writer may not open it while we read.
  HANDLE reader =
      CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  TPicture holder;
  EXPECT_EQ(LoadFailure(holder, name), "");
  CloseHandle(reader);
  HANDLE writer = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(writer, INVALID_HANDLE_VALUE);  // nothing of ours holds it any more
  CloseHandle(writer);
  EXPECT_TRUE(DeleteFileA(name.c_str()));
}

}  // namespace
}  // namespace pix
