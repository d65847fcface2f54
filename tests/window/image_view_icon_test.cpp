// Icons and metafiles in the picture view: drawn through their mask, never
// opaque, so the background is always erased under them.
#include <gtest/gtest.h>

#include "../fixtures/icon_bytes.h"
#include "image_view_host.h"
#include "pictures/icon.h"
#include "pictures/image.h"
#include "pictures/metafile.h"
#include "testutil.h"

namespace pix {
namespace {

using pixtest::CaptureClient;
using pixtest::Settle;
using pixtest::WaitFor;
using viewtest::kBackground;

class ImageViewIcon : public viewtest::HostedView {
protected:
  void Load(const std::string& name, const std::string& bytes) {
    pixtest::TempDir dir;
    dir.Write(name, bytes);
    LoadPictureFile(view.Picture(), dir.File(name));
    Settle();
  }
};

// A 32 x 32 icon: red, with its left half masked out.
std::string HalfMaskedIcon() {
  pixtest::IconImage im = pixtest::Img(32, 32, 24);
  im.colour = [](int, int) { return 0xFF0000u; };
  im.transparent = [](int x, int) { return x < 16; };
  return pixtest::IconFile({im});
}

TEST_F(ImageViewIcon, CentredAtItsOwnSizeWithTheBackgroundThroughTheMask) {
  ASSERT_EQ(GetSystemMetrics(SM_CXICON), 32);
  Load("half.ico", HalfMaskedIcon());
  EXPECT_EQ(view.DestRect(), (TRect{234, 234, 266, 266}));
  EXPECT_FALSE(view.Opaque());
  auto c = CaptureClient(host.Handle());
  struct {
    int x, y;
    uint32_t colour;
  } points[] = {
      {234 + 16, 234, 0xFF0000}, {265, 265, 0xFF0000},          // the drawn half
      {234, 234, kBackground},   {234 + 15, 250, kBackground},  // through the mask
      {233, 250, kBackground},   {266, 250, kBackground},
      {250, 233, kBackground},   {250, 266, kBackground},
  };
  for (auto p : points) EXPECT_EQ(c.At(p.x, p.y), p.colour) << p.x << "," << p.y;
}

TEST_F(ImageViewIcon, IconsAndMetafilesKeepTheirOwnTransparency) {
  Load("half.ico", HalfMaskedIcon());
  view.SetStretch(true);  // the rectangle now covers the view, the icon does not
  EXPECT_EQ(view.DestRect(), (TRect{0, 0, 500, 500}));
  EXPECT_TRUE(view.Picture().Graphic()->Transparent());
  EXPECT_FALSE(view.Opaque());

  // An enhanced metafile recorded here, filling its whole frame.
  HDC rec = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  RECT all{0, 0, 100, 100};
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  FillRect(rec, &all, blue);
  DeleteObject(blue);
  HENHMETAFILE emf = CloseEnhMetaFile(rec);
  std::string bytes(GetEnhMetaFileBits(emf, 0, nullptr), '\0');
  GetEnhMetaFileBits(emf, static_cast<UINT>(bytes.size()), reinterpret_cast<BYTE*>(bytes.data()));
  DeleteEnhMetaFile(emf);
  host.erases = 0;
  Load("fill.emf", bytes);
  ASSERT_EQ(&view.Picture().Graphic()->Kind(), &TMetafileKind);
  EXPECT_TRUE(view.Picture().Graphic()->Transparent());
  EXPECT_FALSE(view.Opaque());
  EXPECT_GE(host.erases, 1);  // switching to it erased the icon's background
  auto c = CaptureClient(host.Handle());
  EXPECT_EQ(c.At(250, 250), 0x0000FFu);
}

}  // namespace
}  // namespace pix
