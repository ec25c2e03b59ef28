#include "platform/UiGraphics.h"

#include <algorithm>
#include <cstdlib>

namespace hdmi::platform {
namespace {
int gLivePens = 0;
int gLiveBrushes = 0;
}  // namespace

Pen::Pen(int width, ColorRef color) : width_(width), color_(color) {
    ++gLivePens;
}
Pen::~Pen() {
    if (counted_) --gLivePens;  // stock pens were never counted
}
int Pen::LiveCount() {
    return gLivePens;
}

Brush::Brush(ColorRef color) : color_(color) {
    ++gLiveBrushes;
}
Brush::~Brush() {
    if (counted_) --gLiveBrushes;
}
int Brush::LiveCount() {
    return gLiveBrushes;
}

Surface::Surface(int width, int height, ColorRef background)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * height_, background) {}

void Surface::Plot(int x, int y, ColorRef color) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[static_cast<size_t>(y) * width_ + x] = color;
}

CDC::~CDC() {
    Detach();
}

void CDC::Attach(Surface* surface) {
    Detach();
    surface_ = surface;
    if (surface_ != nullptr) ++surface_->attachCount_;
}

Surface* CDC::Detach() {
    Surface* old = surface_;
    if (old != nullptr) --old->attachCount_;
    surface_ = nullptr;
    return old;
}

Pen* CDC::SelectObject(Pen* pen) {
    Pen* old = surface_->pen_;
    surface_->pen_ = pen;
    return old;
}

Brush* CDC::SelectObject(Brush* brush) {
    Brush* old = surface_->brush_;
    surface_->brush_ = brush;
    return old;
}

BkMode CDC::SetBkMode(BkMode mode) {
    const BkMode old = surface_->bkMode_;
    surface_->bkMode_ = mode;
    return old;
}

DrawOp& CDC::Record(DrawOp::Kind kind, const Rect& rect) {
    DrawOp op;
    op.kind = kind;
    op.rect = rect;
    op.bkMode = surface_->bkMode_;
    surface_->ops_.push_back(op);
    return surface_->ops_.back();
}

void CDC::FillSolidRect(const Rect& rect, ColorRef color) {
    Record(DrawOp::Kind::FillRect, rect).color = color;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) surface_->Plot(x, y, color);
}

void CDC::Rectangle(const Rect& rect) {
    const Pen& pen = *surface_->pen_;
    const Brush& brush = *surface_->brush_;
    DrawOp& op = Record(DrawOp::Kind::Rectangle, rect);
    op.color = pen.Color();
    op.fill = brush.Color();
    op.penWidth = pen.Width();
    const int w = std::max(pen.Width(), 1);
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            const bool edge =
                x < rect.left + w || x >= rect.right - w || y < rect.top + w || y >= rect.bottom - w;
            surface_->Plot(x, y, edge ? pen.Color() : brush.Color());
        }
    }
}

void CDC::MoveTo(int x, int y) {
    surface_->current_ = {x, y};
}

void CDC::LineTo(int x, int y) {
    const Point from = surface_->current_;
    const ColorRef color = surface_->pen_->Color();
    DrawOp& op = Record(DrawOp::Kind::Line, {from.x, from.y, x, y});
    op.color = color;
    op.penWidth = surface_->pen_->Width();
    // Bresenham, end point excluded.
    int px = from.x;
    int py = from.y;
    const int dx = std::abs(x - px);
    const int dy = -std::abs(y - py);
    const int sx = px < x ? 1 : -1;
    const int sy = py < y ? 1 : -1;
    int err = dx + dy;
    while (px != x || py != y) {
        surface_->Plot(px, py, color);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            px += sx;
        }
        if (e2 <= dx) {
            err += dx;
            py += sy;
        }
    }
    surface_->current_ = {x, y};
}

void CDC::BitBlt(int x, int y, int width, int height, const BitmapView& source, int sourceX, int sourceY,
                 RasterOp op) {
    DrawOp& record = Record(DrawOp::Kind::Blit, {x, y, x + width, y + height});
    record.source = {sourceX, sourceY};
    record.bitmap = &source;
    record.rop = op;
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            const int sx = sourceX + col;
            const int sy = sourceY + row;
            const int dx = x + col;
            const int dy = y + row;
            if (sx < 0 || sy < 0 || sx >= source.width || sy >= source.height) continue;
            if (dx < 0 || dy < 0 || dx >= surface_->width_ || dy >= surface_->height_) continue;
            const ColorRef s = source.Pixel(sx, sy);
            const ColorRef d = surface_->Pixel(dx, dy);
            const ColorRef out = op == RasterOp::Copy ? s : op == RasterOp::Invert ? (d ^ s) : (d & s);
            surface_->Plot(dx, dy, out & 0xFFFFFF);
        }
    }
}

}  // namespace hdmi::platform
