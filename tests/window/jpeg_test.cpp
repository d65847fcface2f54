// JPEG pictures in a real picture view: loaded files report their size from the
// header, decode at the first paint into the bitmap the screen shows, and report
// a failed decode once through the application's error report.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../unit/jpeg_writer.h"
#include "pictures/graphic.h"
#include "pictures/image.h"
#include "pictures/jpeg.h"
#include "testutil.h"
#include "ui/app.h"
#include "ui/errors.h"

namespace pix {
namespace {

using jpegtest::Kind;
using jpegtest::Recipe;
using pixtest::CaptureClient;
using pixtest::Settle;
using pixtest::WaitFor;

// A window that paints its view inside the application's error report, as the
// program's windows do.
class PaintHost {
 public:
  explicit PaintHost(TImage& view) : view_(view) {
    static const char kClass[] = "PixlumenJpegTestHost";
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    if (!GetClassInfoA(inst, kClass, &wc)) {
      wc.lpfnWndProc = Proc;
      wc.hInstance = inst;
      wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
      wc.lpszClassName = kClass;
      RegisterClassA(&wc);
    }
    wnd_ = CreateWindowExA(WS_EX_TOOLWINDOW, kClass, "jpeg test", WS_POPUP | WS_VISIBLE, 0, 0,
                           kWidth, kHeight, nullptr, nullptr, inst, this);
    SetWindowPos(wnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    view_.SetParent(wnd_);
    view_.SetBounds({0, 0, kWidth, kHeight});
  }
  ~PaintHost() { DestroyWindow(wnd_); }
  HWND Handle() const { return wnd_; }
  static constexpr int kWidth = 800, kHeight = 600;

 private:
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE)
      SetWindowLongPtrA(
          wnd, GWLP_USERDATA,
          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
    auto* self = reinterpret_cast<PaintHost*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (self && msg == WM_PAINT) {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      try {
        self->view_.Paint(dc);
      } catch (...) {
        Application().HandleException();
      }
      EndPaint(wnd, &ps);
      return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
  }
  TImage& view_;
  HWND wnd_;
};

class JpegView : public testing::Test {
 protected:
  void SetUp() override {
    Application().MessageBoxHook = [this](const std::string& text, const std::string&) {
      errors.push_back(text);
    };
    view.OnProgress = [this](void*, TProgressStage stage, uint8_t percent, bool redraw, const RECT&,
                             const std::string&) {
      stages.push_back(stage);
      if (stage == TProgressStage::psEnding) endings.push_back({percent, redraw});
    };
    view.Picture().Notify = &changes;
  }
  void TearDown() override { Application().MessageBoxHook = nullptr; }

  std::string Write(const std::string& name, const std::string& bytes) {
    dir.Write(name, bytes);
    return dir.File(name);
  }
  TJPEGImage* Jpeg() { return dynamic_cast<TJPEGImage*>(view.Picture().Graphic()); }
  void Repaint() {
    InvalidateRect(host.Handle(), nullptr, TRUE);
    Settle();
  }
  int Starts() const {
    int n = 0;
    for (auto s : stages) n += s == TProgressStage::psStarting;
    return n;
  }
  // Screen pixel at the view's point (x, y), as 0xRRGGBB.
  uint32_t Screen(int x, int y) { return CaptureClient(host.Handle()).At(x, y); }

  struct Counter : IChangeNotifier {
    int count = 0;
    void Changed() override { ++count; }
  } changes;
  TJPEGKindRegistration kind;
  pixtest::TempDir dir;
  TImage view;
  PaintHost host{view};
  std::vector<std::string> errors;
  std::vector<TProgressStage> stages;
  std::vector<std::pair<int, bool>> endings;
};

void ExpectColor(uint32_t rgb, int r, int g, int b, const char* what) {
  EXPECT_NEAR(static_cast<int>(rgb >> 16 & 0xFF), r, 8) << what;
  EXPECT_NEAR(static_cast<int>(rgb >> 8 & 0xFF), g, 8) << what;
  EXPECT_NEAR(static_cast<int>(rgb & 0xFF), b, 8) << what;
}

TEST_F(JpegView, ColourFileReportsItsSizeThenDecodesToBlueGreenRedRows) {
  LoadPictureFile(view.Picture(), Write("bands.jpg", jpegtest::Bands({640, 480, Kind::Color})));
  ASSERT_NE(Jpeg(), nullptr);
  EXPECT_EQ(view.Picture().Width(), 640);
  EXPECT_EQ(view.Picture().Height(), 480);
  EXPECT_EQ(Jpeg()->DecodedBitmap(), nullptr) << "loading must not decode";
  EXPECT_EQ(Starts(), 0);

  Settle();  // the first paint decodes
  TBitmap* bmp = Jpeg()->DecodedBitmap();
  ASSERT_NE(bmp, nullptr);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(bmp->BitCount(), 24);
  EXPECT_EQ(bmp->Width(), 640);
  EXPECT_EQ(bmp->Height(), 480);
  struct {
    int row, col, b, g, r;
  } probes[] = {
      {10, 100, 0, 0, 255}, {130, 5, 0, 255, 0}, {250, 639, 255, 0, 0}, {479, 0, 255, 255, 255}};
  for (auto& p : probes) {
    const uint8_t* px = bmp->ScanLine(p.row) + 3 * p.col;
    EXPECT_NEAR(px[0], p.b, 8) << "row " << p.row;
    EXPECT_NEAR(px[1], p.g, 8) << "row " << p.row;
    EXPECT_NEAR(px[2], p.r, 8) << "row " << p.row;
  }
  // Centred in the 800 x 600 view: the picture's top-left is at (80, 60).
  ExpectColor(Screen(80 + 100, 60 + 10), 255, 0, 0, "red on screen");
  ExpectColor(Screen(80 + 639, 60 + 250), 0, 0, 255, "blue on screen");
  EXPECT_EQ(Screen(79, 60 + 10), 0u) << "left of the picture is the host's black";
  ASSERT_EQ(endings.size(), 1u);
  EXPECT_EQ(endings[0].first, 100);
}

TEST_F(JpegView, GrayscaleDecodesToAnEightBitGrayPaletteWithOneChangeSignal) {
  LoadPictureFile(view.Picture(), Write("ramp.jpg", jpegtest::Bands({256, 64, Kind::Gray})));
  EXPECT_TRUE(Jpeg()->Grayscale());
  Settle();
  ASSERT_NE(Jpeg()->DecodedBitmap(), nullptr);
  int beforeDecode = 1;  // the load's own signal
  EXPECT_EQ(changes.count, beforeDecode + 1) << "one change signal after the decode";
  TBitmap* bmp = Jpeg()->DecodedBitmap();
  EXPECT_EQ(bmp->BitCount(), 8);
  ASSERT_NE(bmp->Palette(), nullptr);
  PALETTEENTRY entries[256];
  UINT n = GetPaletteEntries(bmp->Palette(), 0, 256, entries);
  EXPECT_GT(n, 200u);
  EXPECT_LE(n, 236u);
  for (UINT i = 0; i < n; ++i) {
    EXPECT_EQ(entries[i].peRed, entries[i].peGreen) << i;
    EXPECT_EQ(entries[i].peRed, entries[i].peBlue) << i;
  }
  ASSERT_EQ(endings.size(), 1u);
  EXPECT_TRUE(endings[0].second) << "the palette asks for a redraw";
  uint32_t left = Screen(272 + 2, 268 + 30), right = Screen(272 + 253, 268 + 30);
  EXPECT_LT(left & 0xFF, 24u);
  EXPECT_GT(right & 0xFF, 230u);
}

TEST_F(JpegView, ColourFileOnAnEightBitScreenIsQuantisedTo236Colours) {
  JPEGDefaults().PixelFormat = TJPEGPixelFormat::jf8Bit;
  std::string path = Write("photo.jpg", jpegtest::Photo({300, 200, Kind::Color}));
  LoadPictureFile(view.Picture(), path);
  JPEGDefaults().PixelFormat = TJPEGPixelFormat::jf24Bit;
  Settle();
  TBitmap* bmp = Jpeg()->DecodedBitmap();
  ASSERT_NE(bmp, nullptr);
  EXPECT_EQ(bmp->BitCount(), 8);
  PALETTEENTRY entries[256];
  UINT n = GetPaletteEntries(bmp->Palette(), 0, 256, entries);
  EXPECT_GT(n, 32u);
  EXPECT_LE(n, 236u);
}

TEST_F(JpegView, ProgressiveFileDecodesInOneGoLikeItsBaselineTwin) {
  std::string base = Write("base.jpg", jpegtest::Photo({320, 240, Kind::Color}));
  std::string prog = Write("prog.jpg", jpegtest::Photo({320, 240, Kind::Color, true}));
  LoadPictureFile(view.Picture(), base);
  Settle();
  TBitmap* b = Jpeg()->DecodedBitmap();
  ASSERT_NE(b, nullptr);
  std::vector<uint8_t> expected(b->ScanLine(239), b->ScanLine(239) + b->RowBytes() * 240);
  stages.clear();
  LoadPictureFile(view.Picture(), prog);
  Settle();
  TBitmap* p = Jpeg()->DecodedBitmap();
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(std::vector<uint8_t>(p->ScanLine(239), p->ScanLine(239) + p->RowBytes() * 240),
            expected);
  ASSERT_FALSE(stages.empty());
  EXPECT_EQ(stages.front(), TProgressStage::psStarting);
  EXPECT_EQ(stages.back(), TProgressStage::psEnding);
}

// A picture large enough that another thread faults in its memory while it
// decodes at its draw (colour, and gray with a palette that moves the rows;
// one cut short, whose missing rows turn white): the pixels are those of a
// decode made without that thread.
TEST_F(JpegView, ALargePictureDecodesAtItsDrawToTheSamePixels) {
  std::string whole = jpegtest::Photo({2400, 2400, Kind::Color});
  Recipe turned{3000, 2000};
  turned.app1 = {jpegtest::ExifSegment({6})};  // its bitmap's pages are taken all over
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {{"colour.jpg", whole},
               {"gray.jpg", jpegtest::Photo({4100, 4100, Kind::Gray})},
               {"cut.jpg", whole.substr(0, whole.size() / 2)},
               {"turned.jpg", jpegtest::Photo(turned)}};
  for (const Case& c : cases) {
    LoadPictureFile(view.Picture(), Write(c.name, c.bytes));
    Settle();
    TBitmap* drawn = Jpeg()->DecodedBitmap();
    ASSERT_NE(drawn, nullptr) << c.name;
    ASSERT_GE(drawn->BufferSize(), size_t{16} << 20) << c.name;
    std::shared_ptr<TBitmap> plain = DecodeJPEGBytes(Jpeg()->Data(), JPEGDefaults(), nullptr);
    ASSERT_EQ(plain->BufferSize(), drawn->BufferSize()) << c.name;
    int differ = 0;
    for (int y = 0; y < drawn->Height(); ++y)
      differ += std::memcmp(drawn->ScanLine(y), plain->ScanLine(y),
                            static_cast<size_t>(drawn->RowBytes())) != 0;
    EXPECT_EQ(differ, 0) << c.name;
  }
}

TEST_F(JpegView, FileStartingLikeABitmapFailsWithCode53AndTheViewKeepsItsPicture) {
  LoadPictureFile(view.Picture(), Write("good.jpg", jpegtest::Bands({64, 48, Kind::Color})));
  TGraphic* before = view.Picture().Graphic();
  int changesBefore = changes.count;
  std::string bm = std::string("BM\x3E\0\0\0\0\0\0\0\x3E\0\0\0", 14) + std::string(48, '\0');
  try {
    LoadPictureFile(view.Picture(), Write("fake.jpg", bm));
    ADD_FAILURE() << "no error";
  } catch (const EJPEG& e) {
    EXPECT_STREQ(e.what(), "JPEG error #53");
  }
  EXPECT_EQ(view.Picture().Graphic(), before);
  EXPECT_EQ(view.Picture().Width(), 64);
  EXPECT_EQ(changes.count, changesBefore);
}

TEST_F(JpegView, ZeroLengthFileIsEmptyAndItsFirstPaintReportsCode42Once) {
  LoadPictureFile(view.Picture(), Write("empty.jpg", ""));
  EXPECT_EQ(view.Picture().Width(), 0);
  EXPECT_EQ(view.Picture().Height(), 0);
  EXPECT_FALSE(Jpeg()->Empty());
  Settle();
  Repaint();
  Repaint();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "JPEG error #42.");
  EXPECT_EQ(Starts(), 0) << "the header fails before decoding starts";
}

TEST_F(JpegView, FileCutHalfwayDecodesWithoutAMessage) {
  std::string full = jpegtest::Photo({400, 300, Kind::Color});
  LoadPictureFile(view.Picture(), Write("cut.jpg", full.substr(0, full.size() / 2)));
  Settle();
  EXPECT_TRUE(errors.empty());
  TBitmap* bmp = Jpeg()->DecodedBitmap();
  ASSERT_NE(bmp, nullptr);
  EXPECT_EQ(bmp->Height(), 300);
  ASSERT_EQ(endings.size(), 1u);
  EXPECT_EQ(endings[0].first, 100);
}

TEST_F(JpegView, SecondDrawUsesTheDecodedBitmap) {
  LoadPictureFile(view.Picture(), Write("a.jpg", jpegtest::Photo({200, 100, Kind::Color})));
  Settle();
  TBitmap* first = Jpeg()->DecodedBitmap();
  ASSERT_NE(first, nullptr);
  Repaint();
  Repaint();
  EXPECT_EQ(Jpeg()->DecodedBitmap(), first);
  EXPECT_EQ(Starts(), 1);
}

TEST_F(JpegView, FourComponentFilesShowInColour) {
  for (Kind k : {Kind::Cmyk, Kind::CmykPlain, Kind::Ycck}) {
    LoadPictureFile(view.Picture(), Write("ink.jpg", jpegtest::Bands({40, 30, k})));
    Settle();
    ASSERT_NE(Jpeg()->DecodedBitmap(), nullptr);
    EXPECT_EQ(Jpeg()->DecodedBitmap()->BitCount(), 24);
    ExpectColor(Screen(400, 300), 255, 0, 0, "red");
  }
  EXPECT_TRUE(errors.empty());
}

TEST_F(JpegView, HugeHeaderInATinyFileIsOutOfMemoryNotACrash) {
  for (bool progressive : {false, true}) {
    errors.clear();
    std::string bytes = jpegtest::Bands({16, 16, Kind::Color, progressive});
    jpegtest::PatchSize(bytes, 65500, 65500);
    LoadPictureFile(view.Picture(), Write("huge.jpg", bytes));
    EXPECT_EQ(view.Picture().Width(), 65500);
    Settle();
    Repaint();
    ASSERT_EQ(errors.size(), 1u) << progressive;
    EXPECT_EQ(errors[0], "Out of memory.");
    EXPECT_EQ(view.Picture().Width(), 0) << "the bitmap was never sized";
  }
}

TEST_F(JpegView, ThousandsOfScansStopWithAnError) {
  Recipe s{300, 200, Kind::Color};
  s.manyScans = true;
  LoadPictureFile(view.Picture(), Write("scans.jpg", jpegtest::Photo(s)));
  auto t0 = std::chrono::steady_clock::now();
  Settle();
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(30));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "JPEG error: more than 500 scans.");
  ASSERT_EQ(endings.size(), 1u);
  EXPECT_EQ(endings[0].first, 0) << "an error was in flight";
}

TEST_F(JpegView, CopySharesTheBytesAndDrawsWithoutDecoding) {
  LoadPictureFile(view.Picture(), Write("c.jpg", jpegtest::Photo({120, 90, Kind::Color})));
  Settle();
  TImage other;
  other.Picture().Assign(view.Picture());
  auto* copy = dynamic_cast<TJPEGImage*>(other.Picture().Graphic());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Data().bytes.get(), Jpeg()->Data().bytes.get());
  ASSERT_NE(copy->DecodedBitmap(), nullptr);
  EXPECT_NE(copy->DecodedBitmap(), Jpeg()->DecodedBitmap());
  EXPECT_EQ(0,
            std::memcmp(copy->DecodedBitmap()->ScanLine(89), Jpeg()->DecodedBitmap()->ScanLine(89),
                        static_cast<size_t>(copy->DecodedBitmap()->RowBytes()) * 90));
  // An undecoded copy decodes from the shared bytes on its own first draw.
  LoadPictureFile(view.Picture(), Write("d.jpg", jpegtest::Photo({60, 40, Kind::Color})));
  other.Picture().Assign(view.Picture());
  copy = dynamic_cast<TJPEGImage*>(other.Picture().Graphic());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->DecodedBitmap(), nullptr);
  EXPECT_EQ(copy->Bitmap().Width(), 60);
}

TEST(JpegKind, RegisteredAsJpegThenJpgAndRemovedAgain) {
  {
    TJPEGKindRegistration kind;
    EXPECT_EQ(FindPictureKind("JPG"), &TJPEGImageKind);
    EXPECT_EQ(FindPictureKind("jpeg"), &TJPEGImageKind);
    std::string filter = BuildPictureFilter(TGraphicKind);
    EXPECT_NE(filter.find("JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|"),
              std::string::npos)
        << filter;
  }
  EXPECT_EQ(FindPictureKind("jpg"), nullptr);
  EXPECT_EQ(FindPictureKind("jpeg"), nullptr);
  EXPECT_EQ(FindPictureKind("bmp"), &TBitmapKind);
}

}  // namespace
}  // namespace pix
