// Docking layout and the splitter's size rule, kept apart from window handles.
#pragma once
#include <vector>

namespace pix {

enum class TAlign { None, Top, Bottom, Left, Right, Client };

struct TRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const TRect&) const = default;
};

struct DockItem {
  TAlign align = TAlign::None;
  int width = 0;   // used for Left and Right
  int height = 0;  // used for Top and Bottom
  bool visible = true;
};

// Places the items inside `client`: tops first, then bottoms, lefts, rights and
// finally the items that fill what is left, each group in list order. Items that
// are hidden or not docked keep an empty rectangle.
std::vector<TRect> DockLayout(const TRect& client, const std::vector<DockItem>& items);

// A `width` by `height` rectangle centred across `area`, its top a `down`th of
// the spare height below the area's top: 2 centres it, dialogs sit higher at 3.
TRect CentredIn(const TRect& area, int width, int height, int down = 2);

// Scales a size given for a 16-pixel text height to the window's text height.
int ScaleForText(int value, int textHeight);
// The font height at `dpi` for a height given at 120 dots per inch.
int ScaleFontHeight(int height120, int dpi);

constexpr int kSplitterMinSize = 30;

// Largest size the splitter may give its pane: the parent's extent less the
// minimum, less every control docked on the same axis (splitter included), plus
// the pane's own current extent.
int SplitterMaxSize(int parentExtent, int sameAxisExtents, int paneExtent);
// The pane's size for a drag of `delta` pixels: at most maxSize, and shut to 0
// when it would be kSplitterMinSize or less.
int SplitterNewSize(int oldSize, int delta, int maxSize);

}  // namespace pix
