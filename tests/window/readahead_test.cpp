// Reading ahead in the full-screen view: neighbours decoded on the worker are
// taken by the step onto them, only when the file still holds the bytes that
// were decoded; broken files report only when stepped onto; a stop interrupts.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "../unit/jpeg_writer.h"
#include "mainwindow.h"
#include "pictures/jpeg.h"
#include "pictures/readahead.h"
#include "testutil.h"
#include "ui/app.h"
#include "ui/handles.h"

namespace pix {
namespace {

using pixtest::Settle;
using pixtest::TempDir;

// A JPEG of one colour (r, g, b).
std::string SolidJpeg(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  return jpegtest::Encode({w, h}, [&](int, int, uint8_t* p) { p[0] = r, p[1] = g, p[2] = b; });
}

// Six photos, a.jpg to f.jpg, `width` wide and each `step` wider than the last.
std::vector<std::pair<std::string, std::string>> Photos(int width, int step, int height) {
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < 6; ++i)
    files.push_back({std::string(1, static_cast<char>('a' + i)) + ".jpg",
                     jpegtest::Photo({width + step * i, height})});
  return files;
}

class ReadAheadView : public pixtest::MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ready = [] { return !ReadAhead().Working(); };  // the worker has dealt with every neighbour
  }
  // Opens the view on the folder's first file.
  void RunView(const std::vector<std::pair<std::string, std::string>>& files,
               std::vector<std::function<void(TfmView&)>> steps) {
    ShowFolder(files, 0);
    size_t count = steps.size();
    MainWindowTest::RunView(std::move(steps));
    EXPECT_EQ(ranSteps, count);
  }
  static void Right(TfmView& v) { Key(v, VK_RIGHT); }

  TJPEGKindRegistration jpegKind;
};

// Six files walked forward: only the first decodes at its draw; every step
// takes its neighbour's decode, whose pixels on screen are those a decode at
// the draw gives; no file is decoded twice.
TEST_F(ReadAheadView, AWalkDecodesEachPictureOnce) {
  auto files = Photos(1200, 40, 900);
  TReadAhead& ra = ReadAhead();
  int drawn = ra.DecodedAtDraw(), taken = ra.Taken(), finished = ra.Finished();
  pixtest::Capture ahead;
  std::vector<std::function<void(TfmView&)>> steps(4, Right);
  steps.push_back([&](TfmView& v) {
    EXPECT_EQ(ra.DecodedAtDraw() - drawn, 1);  // the first picture only
    EXPECT_EQ(ra.Taken() - taken, 4);
    // Ahead: b and f around a, then c, d, e, and f once more (it left when b
    // was shown: only the shown picture's neighbours stay).
    EXPECT_EQ(ra.Finished() - finished, 6);
    ahead = pixtest::CaptureClient(v.imgWiev.Handle());
  });
  steps.push_back([&](TfmView& v) {
    // The same file once more, decoded at its draw this time (the main
    // preview may hold the decode the view took: it goes too).
    ReadAhead().Clear();
    ClearPicture(fm->Img.Picture());
    v.ShowPicture(fm->flList.SelectedFilePath());
    UpdateWindow(v.imgWiev.Handle());
    pixtest::Capture fresh = pixtest::CaptureClient(v.imgWiev.Handle());
    EXPECT_EQ(v.Text(), "Pixlumen : e.jpg");
    EXPECT_TRUE(fresh.pixels == ahead.pixels);
  });
  RunView(files, steps);
  EXPECT_EQ(ra.DecodedAtDraw() - drawn, 2);  // and the fresh one
  EXPECT_TRUE(errors.empty());
}

// A held key (its steps queued, none drawn before the next) lands on a picture
// that decodes at its draw: the user waits for that decode, so the worker reads
// nothing from the keys until it is done, and reads the new neighbours after
// it. The keys queue faster than pictures load, so only the last one loads.
TEST_F(ReadAheadView, AfterAHeldKeyNothingIsReadWhileThePictureDecodes) {
  auto files = Photos(640, 16, 480);
  TReadAhead& ra = ReadAhead();
  std::atomic<bool> waiting{false};  // from the keys to the end of the draw's decode
  std::atomic<int> piecesMeanwhile{0};
  TOwnedHandle pieceRead(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(pieceRead);
  DWORD ui = GetCurrentThreadId();
  int drawn = 0;
  RunView(files,
          {[&](TfmView& v) {
             ra.SetTestHooks({4096,
                              [&] {
                                if (!waiting) return;
                                ++piecesMeanwhile;
                                SetEvent(pieceRead);
                              },
                              nullptr});
             // The draw's decode of e.jpg is made long: up to 300 ms in which
             // no piece may be read, cut short only by a piece read (the fault).
             JPEGDecodeHooks().MemoryShort = [&, view = v.Handle()] {
               char text[64] = {};
               GetWindowTextA(view, text, sizeof text);
               if (GetCurrentThreadId() == ui && std::string(text) == "Pixlumen : e.jpg") {
                 WaitForSingleObject(pieceRead, 300);
                 waiting = false;
               }
               return false;
             };
             drawn = ra.DecodedAtDraw();
             waiting = true;
             for (int i = 0; i < 4; ++i) Right(v);
           },
           [&](TfmView& v) {
             EXPECT_EQ(v.Text(), "Pixlumen : e.jpg");
             EXPECT_EQ(ra.DecodedAtDraw(), drawn + 1);
             EXPECT_EQ(piecesMeanwhile, 0);
             EXPECT_EQ(ra.KeptSize(dir.File("f.jpg")).cx, 720);
           }});
  JPEGDecodeHooks().MemoryShort = nullptr;
  ra.SetTestHooks({});
  EXPECT_TRUE(errors.empty());
}

// A neighbour rewritten after its read-ahead: the step shows the new picture.
TEST_F(ReadAheadView, AFileChangedAfterItsReadAheadIsDecodedAnew) {
  TReadAhead& ra = ReadAhead();
  int taken = ra.Taken();
  RunView({{"a.jpg", SolidJpeg(64, 48, 255, 0, 0)}, {"b.jpg", SolidJpeg(64, 48, 0, 0, 255)}},
          {[&](TfmView& v) {
             dir.Write("b.jpg", SolidJpeg(64, 48, 0, 255, 0));
             Right(v);
           },
           [&](TfmView& v) {
             pixtest::Capture c = pixtest::CaptureClient(v.imgWiev.Handle());
             uint32_t mid = c.At(c.width / 2, c.height / 2);
             EXPECT_LT(mid >> 16 & 0xFF, 16u);
             EXPECT_GT(mid >> 8 & 0xFF, 240u);
             EXPECT_EQ(ra.Taken(), taken);
           }});
  EXPECT_TRUE(errors.empty());
}

// A neighbour that fails to decode says nothing while it is read ahead, and
// reports at the draw once the user steps onto it.
TEST_F(ReadAheadView, ABrokenNeighbourReportsOnlyWhenSteppedOnto) {
  jpegtest::Recipe broken{64, 64};
  broken.manyScans = true;  // refused after 500 scans
  TReadAhead& ra = ReadAhead();
  int tried = ra.Tried();
  RunView({{"a.jpg", SolidJpeg(64, 48, 255, 0, 0)}, {"b.jpg", jpegtest::Photo(broken)}},
          {[&](TfmView& v) {
             EXPECT_GT(ra.Tried(), tried);
             EXPECT_TRUE(errors.empty());
             Right(v);
           },
           [&](TfmView& v) {
             EXPECT_EQ(v.Text(), "Pixlumen : b.jpg");
             // Once from the view, and once more if the main preview behind it painted.
             ASSERT_FALSE(errors.empty());
             for (const std::string& e : errors) EXPECT_EQ(e, "JPEG error: more than 500 scans.");
           }});
}

// A step onto the neighbour the worker is decoding waits for that decode
// instead of decoding the file once more.
TEST_F(ReadAheadView, AStepOntoTheFileInWorkWaitsForIt) {
  jpegtest::Recipe big{3000, 2000};
  big.progressive = true;
  TReadAhead& ra = ReadAhead();
  int drawn = 0, taken = 0;
  ready = [&] { return ra.InWork() == dir.File("b.jpg") || !ra.Working(); };
  RunView({{"a.jpg", SolidJpeg(64, 48, 255, 0, 0)}, {"b.jpg", jpegtest::Photo(big)}},
          {[&](TfmView& v) {
             drawn = ra.DecodedAtDraw();
             taken = ra.Taken();
             ready = [&] { return !ra.Working(); };
             Right(v);
           },
           [&](TfmView& v) {
             EXPECT_EQ(v.Text(), "Pixlumen : b.jpg");
             EXPECT_EQ(v.imgWiev.Picture().Width(), 3000);
             EXPECT_EQ(ra.DecodedAtDraw(), drawn);
             EXPECT_EQ(ra.Taken(), taken + 1);
           }});
  EXPECT_TRUE(errors.empty());
}

// Nothing is read ahead while the main window is minimised; restored, the
// work goes on; another folder frees what was kept.
TEST_F(ReadAheadView, MinimisedReadsNothingAndAnotherFolderFreesAll) {
  TReadAhead& ra = ReadAhead();
  ShowWindow(fm->Handle(), SW_MINIMIZE);
  Settle();
  int tried = ra.Tried();
  ShowFolder({{"a.jpg", SolidJpeg(64, 48, 255, 0, 0)}, {"b.jpg", SolidJpeg(64, 48, 0, 0, 255)}}, 0);
  // Nothing may be read while minimised: 300 ms, cut short only by a read (the fault).
  pixtest::WaitFor([&] { return ra.Tried() != tried; }, 300);
  EXPECT_EQ(ra.Tried(), tried);
  ShowWindow(fm->Handle(), SW_RESTORE);
  EXPECT_TRUE(pixtest::WaitFor([&] { return ra.Tried() > tried && !ra.Working(); }));
  EXPECT_GT(ra.Kept(), 0u);
  TempDir other;
  fm->flList.SetFolder(other.Path());
  EXPECT_EQ(ra.Kept(), 0u);
}

// Stopping the worker (the program ends) in the middle of a decode interrupts
// it between scan lines rather than finishing it.
TEST(ReadAheadStop, StopInterruptsADecodeInProgress) {
  TempDir dir;
  jpegtest::Recipe big{3000, 2000};
  big.progressive = true;  // all scans are read before the first row: the longest wait
  dir.Write("big.jpg", jpegtest::Photo(big));
  TReadAhead ra;
  ra.Schedule(dir.File("shown.jpg"), {dir.File("big.jpg")}, {});
  ASSERT_TRUE(pixtest::WaitFor([&] { return ra.InWork() == dir.File("big.jpg"); }));
  ra.Stop();
  EXPECT_EQ(ra.Tried(), 1);
  EXPECT_EQ(ra.Interrupted(), 1);
  EXPECT_EQ(ra.Finished(), 0);
}

}  // namespace
}  // namespace pix
