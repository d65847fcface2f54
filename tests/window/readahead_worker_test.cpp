// The read-ahead worker where the disk is slow, memory short or the user
// quick: a read ends between pieces when its file is no longer wanted, a
// failed hand-over ends no process, a decode stepped away from serves a step
// back, and a draw waits for the file in work until a key breaks the wait.
#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <thread>

#include "../unit/jpeg_writer.h"
#include "folders.h"
#include "mainwindow.h"
#include "pictures/jpeg.h"
#include "pictures/readahead.h"
#include "testutil.h"

namespace pix {
namespace {

using pixtest::TempDir;
using pixtest::WaitFor;

std::string BigPhoto() {
  return jpegtest::Photo({1600, 1200});
}

// The ways the user leaves a neighbour being read: a step elsewhere, another
// folder, the end of the program.
struct LeaveCase {
  const char* what;
  void (*leave)(TReadAhead& ra, const TempDir& dir);
};
const LeaveCase kLeaves[] = {
    {"a step away", [](TReadAhead& ra, const TempDir& d) {
       ra.Schedule(d.File("other.jpg"), {}, {});
     }},
    {"another folder", [](TReadAhead& ra, const TempDir&) { ra.Clear(); }},
    {"the end", [](TReadAhead& ra, const TempDir&) { ra.Stop(); }},
};

// A slow disk: each piece of 4 KB takes 25 ms, the file some seconds. Leaving
// the file reads at most the piece in flight (so the read ends within 50 ms),
// and leaves the file free to be renamed.
TEST(ReadAheadWorker, ANeighbourBeingReadIsAbandonedAtOnce) {
  for (const LeaveCase& c : kLeaves) {
    TempDir dir;
    dir.Write("big.jpg", BigPhoto());
    std::atomic<int> pieces{0};
    TReadAhead ra;
    ra.SetTestHooks({4096, [&] { ++pieces, Sleep(25); }, nullptr});
    ra.Schedule(dir.File("shown.jpg"), {dir.File("big.jpg")}, {});
    ASSERT_TRUE(WaitFor([&] { return pieces >= 3; })) << c.what;
    int before = pieces;
    c.leave(ra, dir);
    ASSERT_TRUE(WaitFor([&] { return ra.InWork().empty(); }, 2000)) << c.what;
    EXPECT_LE(pieces - before, 1) << c.what;
    EXPECT_EQ(ra.Interrupted(), 1) << c.what;
    EXPECT_EQ(ra.Finished(), 0) << c.what;
    EXPECT_TRUE(MoveFileA(dir.File("big.jpg").c_str(), dir.File("moved.jpg").c_str())) << c.what;
  }
}

// An allocation failing while a decode is handed over (the worker's list of
// results grows there) gives the file up; the process and the worker go on.
TEST(ReadAheadWorker, AnAllocationFailureInTheHandOverEndsNoProcess) {
  TempDir dir;
  dir.Write("a.jpg", jpegtest::Photo({320, 240}));
  dir.Write("b.jpg", jpegtest::Photo({320, 200}));
  TReadAhead ra;
  TReadAhead::TTestHooks hooks;
  hooks.onHandOver = [] { throw std::bad_alloc(); };
  ra.SetTestHooks(hooks);
  ra.Schedule(dir.File("shown.jpg"), {dir.File("a.jpg")}, {});
  ASSERT_TRUE(WaitFor([&] { return ra.Tried() == 1 && !ra.Working(); }));
  EXPECT_EQ(ra.Kept(), 0u);
  ra.SetTestHooks({});
  ra.Schedule(dir.File("shown.jpg"), {dir.File("b.jpg")}, {});
  ASSERT_TRUE(WaitFor([&] { return ra.Tried() == 2 && !ra.Working(); }));
  EXPECT_EQ(ra.Kept(), 1u);
  EXPECT_EQ(ra.KeptSize(dir.File("b.jpg")).cy, 200);
}

// A step lets go of the decodes that neither the picture stepped onto nor its
// coming neighbours want before that picture's file is read, so the load
// never finds more than the shown picture and two neighbours beside it; in a
// ring of three every one is still a neighbour and stays.
TEST(ReadAheadWorker, AStepLetsGoOfWhatNoNeighbourWantsBeforeItsLoad) {
  struct Case {
    const char* what;
    std::vector<std::string> next;  // the neighbours of c.jpg
    size_t held;
    int aWidth;
  };
  const Case cases[] = {{"a long list", {"d.jpg", "b.jpg"}, 1, 0},
                        {"a ring of three", {"a.jpg", "b.jpg"}, 2, 320}};
  for (const Case& c : cases) {
    TempDir dir;
    dir.Write("a.jpg", jpegtest::Photo({320, 240}));
    dir.Write("c.jpg", jpegtest::Photo({330, 240}));
    TReadAhead ra;
    ra.Schedule(dir.File("b.jpg"), {dir.File("c.jpg"), dir.File("a.jpg")}, {});
    ASSERT_TRUE(WaitFor([&] { return ra.Kept() == 2 && !ra.Working(); })) << c.what;
    std::vector<std::string> next;
    for (const std::string& name : c.next) next.push_back(dir.File(name));
    ra.Stepping(dir.File("c.jpg"), next);
    EXPECT_EQ(ra.KeptSize(dir.File("c.jpg")).cx, 330) << c.what;
    EXPECT_EQ(ra.KeptSize(dir.File("a.jpg")).cx, c.aWidth) << c.what;
    EXPECT_TRUE(WaitFor([&] { return ra.Held() == c.held; })) << c.what;
  }
}

class ReadAheadSteps : public pixtest::MainWindowTest {
 protected:
  void TearDown() override {
    ReadAhead().SetTestHooks({});
    MainWindowTest::TearDown();
  }
  void Run(const std::vector<std::pair<std::string, std::string>>& files, int index,
           std::vector<std::function<void(TfmView&)>> steps) {
    ShowFolder(files, index);
    size_t count = steps.size();
    RunView(std::move(steps));
    EXPECT_EQ(ranSteps, count);
  }
  TJPEGKindRegistration jpegKind;
};

// 3.jpg reads 4.jpg ahead; Left to 2.bmp leaves 4.jpg unwanted, Right comes
// straight back: 4.jpg is neither read nor decoded again.
TEST_F(ReadAheadSteps, SteppingBackUsesTheDecodeSteppedAwayFrom) {
  TReadAhead& ra = ReadAhead();
  int tried = 0, drawn = 0, taken = 0;
  ready = [&] { return !ra.Working(); };
  std::string bmp = pixtest::SolidBitmap(40, 30, RGB(0, 0, 255));
  Run({{"1.bmp", bmp}, {"2.bmp", bmp}, {"3.jpg", jpegtest::Photo({400, 300})},
       {"4.jpg", jpegtest::Photo({420, 300})}},
      2,
      {[&](TfmView& v) {
         ASSERT_EQ(ra.KeptSize(dir.File("4.jpg")).cx, 420);
         tried = ra.Tried(), drawn = ra.DecodedAtDraw(), taken = ra.Taken();
         Key(v, VK_LEFT);
       },
       [&](TfmView& v) {
         EXPECT_EQ(v.Text(), "Pixlumen : 2.bmp");
         Key(v, VK_RIGHT);
       },
       [&](TfmView& v) { Key(v, VK_RIGHT); },
       [&](TfmView& v) {
         EXPECT_EQ(v.Text(), "Pixlumen : 4.jpg");
         EXPECT_EQ(ra.Tried(), tried);
         EXPECT_EQ(ra.DecodedAtDraw(), drawn);
         EXPECT_GT(ra.Taken(), taken);
       }});
  EXPECT_TRUE(errors.empty());
}

// The worker is held inside b.jpg's read until `release` runs; a thread of
// the test's own runs `whileWaiting` once a draw waits for it (or gives up
// after 20 s: without the wait the test fails rather than hangs), then lets
// the read go on.
struct HeldRead {
  TOwnedHandle gate{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  std::thread helper;
  void Hold(TReadAhead& ra, std::function<void()> whileWaiting) {
    HANDLE g = gate.Get();
    ra.SetTestHooks({4096, [g] { WaitForSingleObject(g, 30000); }, nullptr});
    helper = std::thread([&ra, g, whileWaiting] {
      WaitFor0([&] { return ra.DrawWaits(); });
      if (whileWaiting) whileWaiting();
      SetEvent(g);
    });
  }
  // Polls without pumping: this thread has no windows.
  static void WaitFor0(const std::function<bool()>& done) {
    for (DWORD t0 = GetTickCount(); !done() && GetTickCount() - t0 < 20000;) Sleep(1);
  }
  ~HeldRead() {
    SetEvent(gate.Get());
    if (helper.joinable()) helper.join();
  }
};

std::vector<std::pair<std::string, std::string>> ThreeFiles() {
  return {{"a.jpg", jpegtest::Photo({64, 48})},
          {"b.jpg", jpegtest::Photo({900, 600})},
          {"c.jpg", jpegtest::Photo({80, 48})}};
}

// The step onto b.jpg while the worker still reads it: the draw waits, and
// takes the worker's decode instead of decoding the file itself.
TEST_F(ReadAheadSteps, AStepOntoTheFileInWorkWaitsForItsDecode) {
  TReadAhead& ra = ReadAhead();
  HeldRead held;
  held.Hold(ra, nullptr);
  int drawn = 0, waited = 0;
  ready = [&] { return ra.InWork() == dir.File("b.jpg") || !ra.Working(); };
  Run(ThreeFiles(), 0,
      {[&](TfmView& v) {
         drawn = ra.DecodedAtDraw(), waited = ra.WaitedFor();
         ready = [&] { return !ra.Working(); };
         Key(v, VK_RIGHT);
       },
       [&](TfmView& v) {
         EXPECT_EQ(v.Text(), "Pixlumen : b.jpg");
         EXPECT_EQ(ra.WaitedFor(), waited + 1);
         EXPECT_EQ(ra.DecodedAtDraw(), drawn);
       }});
  EXPECT_TRUE(errors.empty());
}

// The same wait, broken off by the next key: the view moves on to c.jpg.
TEST_F(ReadAheadSteps, TheWaitForTheFileInWorkYieldsToAKey) {
  TReadAhead& ra = ReadAhead();
  HeldRead held;
  std::atomic<HWND> view{nullptr};
  held.Hold(ra, [&] {
    PostMessageA(view, WM_KEYDOWN, VK_RIGHT, 1);
    HeldRead::WaitFor0([&] { return !ra.DrawWaits(); });
  });
  int broken = 0, waited = 0;
  ready = [&] { return ra.InWork() == dir.File("b.jpg") || !ra.Working(); };
  Run(ThreeFiles(), 0,
      {[&](TfmView& v) {
         broken = ra.WaitsBroken(), waited = ra.WaitedFor();
         view = v.Handle();
         ready = [&] { return !ra.Working(); };
         Key(v, VK_RIGHT);
       },
       [&](TfmView& v) {
         EXPECT_EQ(v.Text(), "Pixlumen : c.jpg");
         EXPECT_EQ(ra.WaitsBroken(), broken + 1);
         EXPECT_EQ(ra.WaitedFor(), waited);
       }});
  EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace pix

namespace pix {
namespace {

// Minimised in the middle of a read: the file in work finishes rather than
// being thrown away, and nothing is read twice once the window is back.
TEST(ReadAheadWorker, WorkInProgressSurvivesMinimising) {
  TempDir dir;
  dir.Write("a.jpg", BigPhoto());
  dir.Write("b.jpg", jpegtest::Photo({320, 240}));
  std::atomic<int> pieces{0};
  TReadAhead ra;
  ra.SetTestHooks({16384, [&] { ++pieces, Sleep(2); }, nullptr});
  ra.Schedule(dir.File("shown.jpg"), {dir.File("a.jpg"), dir.File("b.jpg")}, {});
  ASSERT_TRUE(WaitFor([&] { return pieces >= 2; }));
  ra.SetPaused(true);
  ASSERT_TRUE(WaitFor([&] { return ra.InWork().empty(); }));
  EXPECT_EQ(ra.Kept(), 1u);  // a.jpg, finished; b.jpg waits
  ra.SetPaused(false);
  ASSERT_TRUE(WaitFor([&] { return !ra.Working(); }));
  EXPECT_EQ(ra.Tried(), 2);
  EXPECT_EQ(ra.Interrupted(), 0);
  EXPECT_EQ(ra.Kept(), 2u);
}

// A file written into the folder shown becomes the selected file's neighbour
// when the list is read again (the watcher's refresh of the tree's folder,
// which keeps the selection and so reports no change): it is read ahead.
TEST_F(ReadAheadSteps, ANewNeighbourAfterTheListIsReadAgainIsReadAhead) {
  dir.Write("a.jpg", jpegtest::Photo({64, 48}));
  fm->shTree.SetCurrentFolderPath(dir.Path());
  ASSERT_EQ(fm->flList.IndexOf("a.jpg"), 0);
  fm->flList.SetItemIndex(0);
  fm->flListChange();
  dir.Write("b.jpg", jpegtest::Photo({72, 48}));
  fm->shTreeRefresh(nullptr);
  ASSERT_EQ(fm->flList.Count(), 2);
  EXPECT_TRUE(WaitFor([&] { return ReadAhead().KeptSize(dir.File("b.jpg")).cx == 72; }, 10000));
  EXPECT_TRUE(errors.empty());
}

// Opened by its narrow name, a neighbour in a folder past the platform's path
// limit, or whose name ends in a dot, is never found: every step onto it
// decodes at its draw.
TEST_F(ReadAheadSteps, NeighboursInFoldersOfAnyPathAreReadAheadAndTaken) {
  TReadAhead& ra = ReadAhead();
  std::string deep = dir.Path();
  while (deep.size() < 300) {
    deep += "\\" + std::string(40, 'f');
    pixtest::MakeFolder(deep);
  }
  for (const std::string& folder : {deep, dir.File("Dot.")}) {
    if (folder != deep) pixtest::MakeFolder(folder);
    pixtest::PutFile(folder + "\\a.jpg", jpegtest::Photo({64, 48}));
    pixtest::PutFile(folder + "\\b.jpg", jpegtest::Photo({72, 48}));
    int tried = ra.Tried();
    fm->flList.SetFolder(folder);
    fm->flList.SetItemIndex(0);
    fm->flListChange();
    ASSERT_TRUE(WaitFor([&] { return ra.Tried() > tried && !ra.Working(); })) << folder;
    EXPECT_EQ(ra.KeptSize(folder + "\\b.jpg").cx, 72) << folder;
    int drawn = ra.DecodedAtDraw(), taken = ra.Taken();
    fm->flList.SetItemIndex(1);
    fm->flListChange();
    EXPECT_TRUE(WaitFor([&] {
      auto* j = dynamic_cast<TJPEGImage*>(fm->Img.Picture().Graphic());
      return j && j->DecodedBitmap() && j->DecodedBitmap()->Width() == 72;
    })) << folder;
    EXPECT_EQ(ra.DecodedAtDraw(), drawn) << folder;
    EXPECT_EQ(ra.Taken(), taken + 1) << folder;
  }
  fm->flList.SetFolder(dir.Path());
  pixtest::RemoveAll(dir.File("Dot."));
  pixtest::RemoveAll(dir.File(std::string(40, 'f')));
  EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
}  // namespace pix

namespace pix {
namespace {

// A decode that finds memory short while decodes are kept for later: they
// give way, and the picture shows as it would with nothing read ahead.
TEST_F(ReadAheadSteps, KeptDecodesGiveWayToAPictureShortOfMemory) {
  TReadAhead& ra = ReadAhead();
  ShowFolder({{"a.jpg", jpegtest::Photo({64, 48})},
              {"b.jpg", jpegtest::Photo({72, 48})},
              {"c.jpg", jpegtest::Photo({80, 48})}},
             0);
  ASSERT_TRUE(WaitFor([&] { return !ra.Working() && ra.KeptSize(dir.File("b.jpg")).cx == 72; }));
  DWORD ui = GetCurrentThreadId();
  JPEGDecodeHooks().MemoryShort = [&] { return GetCurrentThreadId() == ui && ra.Kept() > 0; };
  fm->flList.SetItemIndex(2);
  fm->flListChange();
  auto decoded = [&] {
    auto* j = dynamic_cast<TJPEGImage*>(fm->Img.Picture().Graphic());
    return j && j->DecodedBitmap() && j->DecodedBitmap()->Width() == 80;
  };
  EXPECT_TRUE(WaitFor(decoded));
  JPEGDecodeHooks().MemoryShort = nullptr;
  EXPECT_EQ(ra.KeptSize(dir.File("b.jpg")).cx, 0);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

// The platform refusing a decode's bitmap of a valid size is short of memory,
// not a broken file.
TEST(DecodeBitmap, ABitmapTooLargeForMemoryIsOutOfMemory) {
  if (sizeof(void*) > 4) GTEST_SKIP() << "a 64-bit process may have the room";
  TBitmap b;
  std::string message;
  try {
    b.NewDIB(46000, 30000, 24);  // 4 GB: more than a 32-bit process can address
  } catch (const Exception& e) {
    message = e.Message();
  }
  EXPECT_EQ(message, "Out of memory");
}

}  // namespace
}  // namespace pix

namespace pix {
namespace {

const TJPEGImage* JpegOf(TImageHost& host) {
  return dynamic_cast<const TJPEGImage*>(host.Picture().Graphic());
}

// Walking on through 1, 2, 3 (4.bmp is never read ahead) lets go of 1.jpg,
// which no longer neighbours what is shown, though the worker has nothing
// more to read that would make room; turning back keeps what it leaves.
TEST_F(ReadAheadSteps, WalkingOnLetsGoOfThePicturePassed) {
  TReadAhead& ra = ReadAhead();
  ready = [&] { return !ra.Working(); };
  Run({{"1.jpg", jpegtest::Photo({60, 40})},
       {"2.jpg", jpegtest::Photo({62, 40})},
       {"3.jpg", jpegtest::Photo({64, 40})},
       {"4.bmp", pixtest::SolidBitmap(40, 30, RGB(0, 0, 255))}},
      0,
      {[&](TfmView& v) { Key(v, VK_RIGHT); }, [&](TfmView& v) { Key(v, VK_RIGHT); },
       [&](TfmView& v) {
         EXPECT_EQ(v.Text(), "Pixlumen : 3.jpg");
         EXPECT_EQ(ra.KeptSize(dir.File("1.jpg")).cx, 0);
         EXPECT_TRUE(WaitFor([&] { return ra.Held() == 2; }));  // 3.jpg and 2.jpg
         Key(v, VK_LEFT);
       },
       [&](TfmView& v) {
         EXPECT_EQ(v.Text(), "Pixlumen : 2.jpg");
         EXPECT_EQ(ra.KeptSize(dir.File("3.jpg")).cx, 64);
       }});
  EXPECT_TRUE(errors.empty());
}

// A step in the full-screen view loads the file into the view and the main
// preview: one read, one copy of its bytes, one decode.
TEST_F(ReadAheadSteps, AFullScreenStepReadsItsFileOnce) {
  Run({{"a.jpg", jpegtest::Photo({64, 48})}, {"b.jpg", jpegtest::Photo({72, 48})}}, 0,
      {[&](TfmView& v) { Key(v, VK_RIGHT); },
       [&](TfmView& v) {
         UpdateWindow(fm->Img.Handle());
         const TJPEGImage* view = JpegOf(v.imgWiev);
         const TJPEGImage* main = JpegOf(fm->Img);
         ASSERT_TRUE(view && main);
         EXPECT_EQ(view->Width(), 72);
         EXPECT_EQ(&view->Data(), &main->Data());
         EXPECT_EQ(view->DecodedBitmap(), main->DecodedBitmap());
       }});
  EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace pix
