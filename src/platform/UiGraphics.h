// Drawing for our stand-in of the UI framework: colours, rectangles, pens and brushes, system
// colours, read-only bitmaps, and a device context bound to a surface. A surface keeps both the
// pixels and a log of every operation, so a presentation can show what was drawn and a test can
// check it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hdmi::platform {

using ColorRef = uint32_t;  // 0x00BBGGRR

constexpr ColorRef Rgb(uint32_t r, uint32_t g, uint32_t b) {
    return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16;
}
constexpr uint32_t RedOf(ColorRef c) {
    return c & 0xFF;
}
constexpr uint32_t GreenOf(ColorRef c) {
    return (c >> 8) & 0xFF;
}
constexpr uint32_t BlueOf(ColorRef c) {
    return (c >> 16) & 0xFF;
}

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Right and bottom are exclusive, as everywhere in this layer.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    Rect Deflated(int by) const { return {left + by, top + by, right - by, bottom - by}; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

enum class SysColor {
    Window,
    WindowText,
    Highlight,
    HighlightText,
    ButtonFace,
    ButtonShadow,
    ButtonHighlight
};
ColorRef GetSysColor(SysColor which);

// Solid pen and brush. Both count their live instances so that leaks show up in tests.
class Pen {
  public:
    Pen(int width, ColorRef color);
    ~Pen();
    Pen(const Pen&) = delete;
    Pen& operator=(const Pen&) = delete;
    int Width() const { return width_; }
    ColorRef Color() const { return color_; }
    static int LiveCount();  // stock objects not included

  private:
    friend class Surface;
    struct Stock {};
    Pen(Stock, int width, ColorRef color) : width_(width), color_(color), counted_(false) {}

    int width_;
    ColorRef color_;
    bool counted_ = true;
};

class Brush {
  public:
    explicit Brush(ColorRef color);
    ~Brush();
    Brush(const Brush&) = delete;
    Brush& operator=(const Brush&) = delete;
    ColorRef Color() const { return color_; }
    static int LiveCount();  // stock objects not included

  private:
    friend class Surface;
    struct Stock {};
    Brush(Stock, ColorRef color) : color_(color), counted_(false) {}

    ColorRef color_;
    bool counted_ = true;
};

enum class BkMode { Transparent = 1, Opaque = 2 };
enum class RasterOp { Copy, Invert, And };  // source copy, exclusive-or, and

// A read-only 24-bit bitmap, row 0 at the top.
struct BitmapView {
    int width = 0;
    int height = 0;
    const ColorRef* pixels = nullptr;
    ColorRef Pixel(int x, int y) const { return pixels[y * width + x]; }
};

// One recorded drawing operation. Lines run from (rect.left, rect.top) to (rect.right,
// rect.bottom), the end point excluded. `color` is the fill colour of FillRect, the pen colour of
// Rectangle and Line; `fill` the brush colour of Rectangle; `source` and `rop` describe a Blit.
struct DrawOp {
    enum class Kind { FillRect, Rectangle, Line, Blit };
    Kind kind = Kind::FillRect;
    Rect rect;
    ColorRef color = 0;
    ColorRef fill = 0;
    int penWidth = 0;
    BkMode bkMode = BkMode::Opaque;
    Point source;
    RasterOp rop = RasterOp::Copy;
    const BitmapView* bitmap = nullptr;  // the source of a Blit
};

// What a device context draws on: pixels, the operation log, and the selection state (pen, brush,
// background mode) that drawing code must hand back as it found it.
class Surface {
  public:
    Surface(int width, int height, ColorRef background);
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    ColorRef Pixel(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    const std::vector<DrawOp>& Ops() const { return ops_; }

    const Pen* SelectedPen() const { return pen_; }
    const Brush* SelectedBrush() const { return brush_; }
    BkMode CurrentBkMode() const { return bkMode_; }
    bool HoldsStockObjects() const { return pen_ == &stockPen_ && brush_ == &stockBrush_; }
    int AttachCount() const { return attachCount_; }

  private:
    friend class CDC;
    void Plot(int x, int y, ColorRef color);

    int width_;
    int height_;
    std::vector<ColorRef> pixels_;
    std::vector<DrawOp> ops_;
    Pen stockPen_{Pen::Stock{}, 1, 0x000000};
    Brush stockBrush_{Brush::Stock{}, 0xFFFFFF};
    Pen* pen_ = &stockPen_;
    Brush* brush_ = &stockBrush_;
    BkMode bkMode_ = BkMode::Opaque;
    Point current_;
    int attachCount_ = 0;
};

// A device context wrapper: attach it to a surface, draw, detach.
class CDC {
  public:
    CDC() = default;
    explicit CDC(Surface* surface) { Attach(surface); }
    ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    void Attach(Surface* surface);
    Surface* Detach();
    Surface* GetSafeHdc() const { return surface_; }

    Pen* SelectObject(Pen* pen);
    Brush* SelectObject(Brush* brush);
    BkMode SetBkMode(BkMode mode);

    void FillSolidRect(const Rect& rect, ColorRef color);
    // Outline in the selected pen, inside in the selected brush.
    void Rectangle(const Rect& rect);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void BitBlt(int x, int y, int width, int height, const BitmapView& source, int sourceX, int sourceY,
                RasterOp op);

  private:
    DrawOp& Record(DrawOp::Kind kind, const Rect& rect);

    Surface* surface_ = nullptr;
};

}  // namespace hdmi::platform
