// The picture view on a real window: where the picture lands on screen, what is
// cut off, when the background is erased and how often the view repaints.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <vector>

#include "../fixtures/bmp_bytes.h"
#include "app/MainUnit.h"
#include "image_view_host.h"
#include "pictures/bitmap.h"
#include "pictures/image.h"
#include "testutil.h"

namespace pix {
namespace {

using pixtest::CaptureClient;
using pixtest::Settle;
using pixtest::WaitFor;
using viewtest::CodedPicture;
using viewtest::DecodeX;
using viewtest::DecodeY;
using viewtest::Host;
using viewtest::kBackground;

// The host is 840 x 540 with the view inset by 20 on each side, so what the view
// cuts off is visible as the host's background around it.
constexpr int kInset = 20;

class ImageView : public testing::Test {
protected:
  void SetUp() override {
    host.Create(800 + 2 * kInset, 500 + 2 * kInset);
    host.Hold(view, {kInset, kInset, kInset + 800, kInset + 500});
    Settle();
  }
  // Shows a coded picture: drawn by the test's own picture kind, or read from a
  // 24-bit .bmp file and drawn by the bitmap kind.
  enum Source { kCoded, kBmpFile };
  void Show(int w, int h, Source source = kCoded) {
    if (source == kCoded) {
      view.Picture().SetGraphic(std::make_unique<CodedPicture>(w, h));
    } else {
      pixtest::BmpSpec recipe;
      recipe.width = w;
      recipe.height = h;
      recipe.pixels = pixtest::PackRows(w, h, 24, false, viewtest::Code);
      pixtest::TempDir dir;
      dir.Write("coded.bmp", pixtest::MakeBmp(recipe));
      LoadPictureFile(view.Picture(), dir.File("coded.bmp"));
      EXPECT_EQ(&view.Picture().Graphic()->Kind(), &TBitmapKind);
    }
    Settle();
  }
  // Picture coordinates seen at view point (x, y).
  POINT Seen(const pixtest::Capture& c, int x, int y) {
    uint32_t px = c.At(kInset + x, kInset + y);
    return {DecodeX(px), DecodeY(px)};
  }
  Host host;
  TImage view;
};

TEST_F(ImageView, ActualSizeShowsTheMiddleAndCutsTheRest) {
  for (Source source : {kCoded, kBmpFile}) {
    SCOPED_TRACE(source == kCoded ? "coded picture" : "bitmap file");
    Show(1000, 800, source);
    auto c = CaptureClient(host.Handle());
    struct {
      int x, y;
    } points[] = {{0, 0}, {799, 0}, {0, 499}, {799, 499}, {400, 250}, {123, 456}};
    for (auto p : points) {
      POINT seen = Seen(c, p.x, p.y);
      EXPECT_EQ(seen.x, p.x + 100) << p.x << "," << p.y;
      EXPECT_EQ(seen.y, p.y + 150) << p.x << "," << p.y;
    }
    // Nothing of the picture spills beyond the view's bounds.
    for (int i = 0; i < kInset; ++i) {
      EXPECT_EQ(c.At(i, 300), kBackground);
      EXPECT_EQ(c.At(kInset + 800 + i, 300), kBackground);
      EXPECT_EQ(c.At(400, i), kBackground);
      EXPECT_EQ(c.At(400, kInset + 500 + i), kBackground);
    }
  }
}

TEST_F(ImageView, ReduceToFitFitsAndCentres) {
  for (Source source : {kCoded, kBmpFile}) {
    SCOPED_TRACE(source == kCoded ? "coded picture" : "bitmap file");
    view.SetProportional(false);
    Show(1000, 800, source);
    view.SetProportional(true);
    Settle();
    EXPECT_EQ(view.DestRect(), (TRect{87, 0, 712, 500}));
    auto c = CaptureClient(host.Handle());
    for (int y : {0, 250, 499}) {
      EXPECT_EQ(c.At(kInset + 86, kInset + y), kBackground) << y;
      EXPECT_NE(c.At(kInset + 87, kInset + y), kBackground) << y;
      EXPECT_NE(c.At(kInset + 711, kInset + y), kBackground) << y;
      EXPECT_EQ(c.At(kInset + 712, kInset + y), kBackground) << y;
    }
    // The whole picture is in the rectangle, scaled by 0.625 both ways.
    struct {
      int x, y;
    } points[] = {{87, 0}, {711, 499}, {399, 250}, {200, 100}};
    for (auto p : points) {
      POINT seen = Seen(c, p.x, p.y);
      EXPECT_NEAR(seen.x, (p.x - 87) * 1000 / 625, 2) << p.x << "," << p.y;
      EXPECT_NEAR(seen.y, p.y * 800 / 500, 2) << p.x << "," << p.y;
    }
  }
}

TEST_F(ImageView, NoPictureShowsOnlyTheBackground) {
  Show(1000, 800);
  view.Picture().SetGraphic(nullptr);
  Settle();
  auto c = CaptureClient(host.Handle());
  for (int y = 0; y < c.height; y += 37)
    for (int x = 0; x < c.width; x += 41) ASSERT_EQ(c.At(x, y), kBackground) << x << "," << y;
}

TEST_F(ImageView, SwitchingOpaquePicturesErasesNothing) {
  Show(1000, 800, kBmpFile);
  EXPECT_TRUE(view.Opaque());
  host.paints = host.erases = 0;
  Show(900, 600, kBmpFile);
  EXPECT_TRUE(view.Opaque());
  EXPECT_GE(host.paints, 1);
  EXPECT_EQ(host.erases, 0);
  EXPECT_EQ(Seen(CaptureClient(host.Handle()), 0, 0).x, 50);

  // A picture that leaves margins needs the background first, and so does none.
  host.erases = 0;
  Show(300, 200);
  EXPECT_FALSE(view.Opaque());
  EXPECT_GE(host.erases, 1);
  host.erases = 0;
  view.Picture().SetGraphic(nullptr);
  Settle();
  EXPECT_FALSE(view.Opaque());
  EXPECT_GE(host.erases, 1);
}

TEST_F(ImageView, ATransparentPictureIsNeverOpaque) {
  Show(1000, 800);
  ASSERT_TRUE(view.Opaque());
  view.SetTransparent(true);
  EXPECT_TRUE(view.Picture().Graphic()->Transparent());
  EXPECT_FALSE(view.Opaque());
  view.SetTransparent(false);
  EXPECT_FALSE(view.Picture().Graphic()->Transparent());
  EXPECT_TRUE(view.Opaque());
}

TEST_F(ImageView, SettingsRepaintOnlyOnARealChange) {
  Show(300, 200);  // fits: reduce-to-fit changes nothing on screen
  auto before = CaptureClient(host.Handle());
  RECT pending;
  struct Step {
    void (TImage::*set)(bool);
    bool value;
    int paints;
  } steps[] = {
      {&TImage::SetProportional, false, 0}, {&TImage::SetProportional, true, 1},
      {&TImage::SetProportional, true, 0},  {&TImage::SetProportional, false, 1},
      {&TImage::SetCenter, true, 0},        {&TImage::SetStretch, false, 0},
      {&TImage::SetTransparent, false, 0},  {&TImage::SetAutoSize, false, 0},
  };
  for (const Step& s : steps) {
    host.paints = 0;
    (view.*s.set)(s.value);
    EXPECT_EQ(GetUpdateRect(host.Handle(), &pending, FALSE) != 0, s.paints > 0);
    Settle();
    EXPECT_EQ(host.paints, s.paints);
  }
  EXPECT_EQ(CaptureClient(host.Handle()).pixels, before.pixels);
}

TEST_F(ImageView, NewBoundsPlaceThePictureAfresh) {
  Show(300, 200);
  host.erases = 0;
  view.SetBounds({kInset, kInset, kInset + 400, kInset + 300});
  Settle();
  EXPECT_GE(host.erases, 1);  // the old area is cleared
  auto c = CaptureClient(host.Handle());
  EXPECT_EQ(Seen(c, 50, 50).x, 0);
  EXPECT_EQ(Seen(c, 50, 50).y, 0);
  EXPECT_EQ(c.At(kInset + 49, kInset + 50), kBackground);
  EXPECT_EQ(c.At(kInset + 500, kInset + 300), kBackground);  // old centre, now outside
}

TEST_F(ImageView, AutoSizeTakesThePictureSize) {
  Show(300, 200);
  view.SetAutoSize(true);
  EXPECT_EQ(view.Bounds(), (TRect{kInset, kInset, kInset + 300, kInset + 200}));
  Show(120, 90);
  EXPECT_EQ(view.Bounds(), (TRect{kInset, kInset, kInset + 120, kInset + 90}));
  EXPECT_TRUE(view.Opaque());
}

// A picture that fails to draw, or signals a change while it draws.
class FaultyPicture : public CodedPicture {
public:
  using CodedPicture::CodedPicture;
  bool fail = false, changeWhileDrawing = false;
  void Draw(HDC dc, const RECT& r) override {
    if (changeWhileDrawing) Changed();
    if (fail) throw std::runtime_error("cannot draw");
    CodedPicture::Draw(dc, r);
  }
};

TEST_F(ImageView, DrawingFlagAndCanvasComeBackAfterAFailure) {
  auto owned = std::make_unique<FaultyPicture>(100, 100);
  FaultyPicture* pic = owned.get();
  view.Picture().SetGraphic(std::move(owned));
  pic->fail = true;
  HDC dc = GetDC(host.Handle());
  EXPECT_THROW(view.Paint(dc), std::runtime_error);
  EXPECT_FALSE(view.Drawing());
  POINT org{-1, -1};
  GetViewportOrgEx(dc, &org);
  EXPECT_EQ(org.x, 0);
  EXPECT_EQ(org.y, 0);
  ReleaseDC(host.Handle(), dc);
}

TEST_F(ImageView, AChangeWhileDrawingDoesNotInvalidate) {
  auto owned = std::make_unique<FaultyPicture>(100, 100);
  FaultyPicture* pic = owned.get();
  view.Picture().SetGraphic(std::move(owned));
  Settle();
  pic->changeWhileDrawing = true;
  host.paints = 0;
  InvalidateRect(host.Handle(), nullptr, FALSE);
  UpdateWindow(host.Handle());
  RECT pending;
  EXPECT_FALSE(GetUpdateRect(host.Handle(), &pending, FALSE));
  EXPECT_EQ(host.paints, 1);
  pic->changeWhileDrawing = false;
}

// Reports progress on demand, as a decoding picture does.
class ProgressPicture : public CodedPicture {
public:
  using CodedPicture::CodedPicture;
  int draws = 0;
  void Draw(HDC dc, const RECT& r) override {
    ++draws;
    CodedPicture::Draw(dc, r);
  }
  void Report(bool redrawNow) {
    Progress(TProgressStage::psRunning, 40, redrawNow, RECT{0, 0, 10, 4}, "");
  }
};

TEST_F(ImageView, IncrementalDisplayPaintsAtOnceOnRequest) {
  auto owned = std::make_unique<ProgressPicture>(200, 200);
  ProgressPicture* pic = owned.get();
  view.Picture().SetGraphic(std::move(owned));
  Settle();
  int heard = 0;
  view.OnProgress = [&](void* sender, TProgressStage stage, uint8_t percent, bool, const RECT& r,
                        const std::string&) {
    ++heard;
    EXPECT_EQ(sender, pic);
    EXPECT_EQ(stage, TProgressStage::psRunning);
    EXPECT_EQ(percent, 40);
    EXPECT_EQ(r.bottom, 4);
  };
  struct {
    bool incremental, redrawNow;
    int draws;
  } cases[] = {{false, true, 0}, {true, false, 0}, {true, true, 1}};
  for (auto c : cases) {
    view.IncrementalDisplay = c.incremental;
    pic->draws = 0;
    pic->Report(c.redrawNow);  // no message is pumped: the draw happens inside
    EXPECT_EQ(pic->draws, c.draws) << c.incremental << c.redrawNow;
  }
  EXPECT_EQ(heard, 3);
}

// A picture with a palette that has just changed, as a freshly decoded
// 8-bit JPEG has.
class PalettePicture : public CodedPicture {
public:
  explicit PalettePicture(bool withPalette) : CodedPicture(64, 64) {
    if (!withPalette) return;
    struct {
      WORD version, count;
      PALETTEENTRY entries[2];
    } lp{0x300, 2, {{0, 0, 0, 0}, {255, 255, 255, 0}}};
    palette_ = CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp));
  }
  ~PalettePicture() override {
    if (palette_) DeleteObject(palette_);
  }
  HPALETTE Palette() const override { return palette_; }

private:
  HPALETTE palette_ = nullptr;
};

// The main window, counting the palette requests it receives.
class PaletteProbe : public TfmMain {
public:
  int queries = 0;
  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
    if (msg == WM_QUERYNEWPALETTE) ++queries;
    return TfmMain::HandleMessage(msg, wp, lp, result);
  }
};

TEST(ImageViewPalette, TheActiveFormIsAskedToRealiseANewPalette) {
  PaletteProbe fm;
  fm.Create();
  ShowWindow(fm.Handle(), SW_SHOWNORMAL);
  SetForegroundWindow(fm.Handle());
  SetActiveWindow(fm.Handle());
  Settle();
  ASSERT_EQ(GetActiveWindow(), fm.Handle());

  struct {
    bool withPalette, active;
    bool flagAfter;
    int queries;
  } cases[] = {
      {false, true, false, 0},  // nothing to realise: the flag is just cleared
      {true, true, false, 1},
      {true, false, true, 0},  // an inactive form is not asked; the flag stays
  };
  for (auto c : cases) {
    if (!c.active) SetActiveWindow(nullptr);
    auto pic = std::make_unique<PalettePicture>(c.withPalette);
    pic->PaletteModified = true;
    PalettePicture* p = pic.get();
    fm.queries = 0;
    fm.Img.Picture().SetGraphic(std::move(pic));
    EXPECT_EQ(p->PaletteModified, c.flagAfter) << c.withPalette << c.active;
    Settle();
    EXPECT_EQ(fm.queries, c.queries) << c.withPalette << c.active;
  }
  fm.Img.Picture().SetGraphic(nullptr);
}

TEST(ImageViewPalette, AViewOutsideTheProgramsFormsAsksNobody) {
  Host host;
  host.Create(200, 200);
  TImage view(host.Handle());
  host.view = &view;
  view.SetBounds({0, 0, 200, 200});
  SetActiveWindow(host.Handle());
  auto pic = std::make_unique<PalettePicture>(true);
  pic->PaletteModified = true;
  PalettePicture* p = pic.get();
  view.Picture().SetGraphic(std::move(pic));
  EXPECT_TRUE(p->PaletteModified);
}

}  // namespace
}  // namespace pix
