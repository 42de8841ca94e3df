#include "session/frame.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/step.h"
#include "session/context.h"
#include "session/format_number.h"
#include "session/run.h"

namespace gb {

namespace {

constexpr double kPixelLimit = 1 << 28;

// A run of neighbouring columns (or rows) that start on the same pixel, with the pixels their
// squares cover inside the target.
struct Span {
    int first;  // first column (row) of the run
    int count;  // columns (rows) in the run
    int from;   // covered pixels [from, to)
    int to;
};

// Collects the runs of neighbouring columns (or rows) that start on the same pixel, fed one
// visible column at a time in increasing order.
class SpanBuilder {
public:
    SpanBuilder(std::vector<Span>& out, int s, int limit) : out_(out), s_(s), limit_(limit) {
        out_.clear();
    }
    // Column k starts on pixel p; columns that reach no pixel of [0, limit) are left out.
    void Add(int k, int p) {
        if (p >= limit_ || p + s_ <= 0) return;
        if (!out_.empty() && p == last_ && out_.back().first + out_.back().count == k) {
            ++out_.back().count;
            return;
        }
        out_.push_back(Span{k, 1, std::max(p, 0), std::min(p + s_, limit_)});
        last_ = p;
    }

private:
    std::vector<Span>& out_;
    int s_, limit_;
    int last_ = 0;
};

// The first index worth looking at when the pixel of index i is trunc((i − start) × zoom) and
// squares are s pixels wide: a few before the first whose square can reach pixel 0.
int FirstCandidate(double start, double zoom, int s, int count) {
    const double i = std::floor(start - (s + 1) / zoom) - 2;
    if (!(i > 0)) return 0;
    return i < count ? static_cast<int>(i) : count;
}

// The visible columns of a Field gw columns wide. A column's pixel is found by adding zoom
// column after column from the left edge; when every such sum is exact (the usual case) it is
// computed directly for the visible columns alone, otherwise the sums are made one by one up to
// the right edge of the target.
void VisibleColumns(int gw, float viewLeft, double zoom, int s, int width, std::vector<Span>& out) {
    SpanBuilder spans(out, s, width);
    const double x0 = (0 - static_cast<double>(viewLeft)) * zoom;
    int k = 0;
    while (k <= 60 && (std::ldexp(x0, k) != std::trunc(std::ldexp(x0, k)) ||
                       std::ldexp(zoom, k) != std::trunc(std::ldexp(zoom, k))))
        ++k;
    const bool exact =
        k <= 60 && std::fabs(x0) + static_cast<double>(gw) * zoom < std::ldexp(1.0, 53 - k);
    if (exact) {
        for (int j = FirstCandidate(viewLeft, zoom, s, gw); j < gw; ++j) {
            const int p = CellPixel(j, viewLeft, zoom);  // exactly x0 + j * zoom here
            if (p >= width) break;
            spans.Add(j, p);
        }
        return;
    }
    double x = x0;
    for (int j = 0; j < gw; ++j) {
        const int p = TruncPixel(x);
        if (p >= width) break;  // the sums only grow
        spans.Add(j, p);
        x += zoom;
    }
}

void VisibleRows(int gh, float viewTop, double zoom, int s, int height, std::vector<Span>& out) {
    SpanBuilder spans(out, s, height);
    for (int i = FirstCandidate(viewTop, zoom, s, gh); i < gh; ++i) {
        const int p = CellPixel(i, viewTop, zoom);
        if (p >= height) break;
        spans.Add(i, p);
    }
}

}  // namespace

int TruncPixel(double v) {
    if (!(v > -kPixelLimit)) return -static_cast<int>(kPixelLimit);
    if (!(v < kPixelLimit)) return static_cast<int>(kPixelLimit);
    return static_cast<int>(v);
}

FramePlacement PlaceField(int gridWidth, int gridHeight, int clientW, int clientH, double zoom,
                          float offsetX, float offsetY) {
    const float originX = static_cast<float>((gridWidth - clientW / zoom) / 2);
    const float originY = static_cast<float>((gridHeight - clientH / zoom) / 2);
    FramePlacement p;
    p.viewLeft = originX + offsetX;
    p.viewTop = originY + offsetY;
    const double vl = p.viewLeft;
    const double vt = p.viewTop;
    p.left = TruncPixel((1 - vl) * zoom);
    p.top = TruncPixel((1 - vt) * zoom);
    p.right = TruncPixel((gridWidth - vl - 1) * zoom);
    p.bottom = TruncPixel((gridHeight - vt - 1) * zoom);
    return p;
}

int GridSpacing(double zoom) { return zoom >= 3 ? 1 : TruncPixel(4 / zoom); }

int GridLinePixel(int d, float viewStart, double zoom) {
    return TruncPixel((d - static_cast<double>(viewStart)) * zoom - 1);
}

int CellSize(double zoom) {
    if (zoom >= 3) return static_cast<int>(zoom) - 1;
    if (zoom >= 1) return static_cast<int>(zoom);
    return 1;
}

int CellPixel(int d, float viewStart, double zoom) {
    return TruncPixel((d - static_cast<double>(viewStart)) * zoom);
}

int CellAtPixel(int p, float viewStart, double zoom, int count) {
    // The continuous position is within a cell or two of the answer; far outside it decides.
    const double guess = std::floor(static_cast<double>(viewStart) + p / zoom);
    if (!(guess > -3)) return -1;
    if (!(guess < static_cast<double>(count) + 2)) return count;
    int a = static_cast<int>(std::clamp(guess, -1.0, static_cast<double>(count)));
    // The last square that starts at or before p ...
    while (a > -1 && CellPixel(a, viewStart, zoom) > p) --a;
    if (a < 0) return -1;
    while (a < count && CellPixel(a + 1, viewStart, zoom) <= p) ++a;
    // ... or the first of those that start on p with it.
    const int start = CellPixel(a, viewStart, zoom);
    if (start == p)
        while (a > 0 && CellPixel(a - 1, viewStart, zoom) == start) --a;
    return a;
}

int TextGrey(std::uint32_t backColor) {
    const unsigned r = backColor & 0xFF, g = (backColor >> 8) & 0xFF, b = (backColor >> 16) & 0xFF;
    return (r + g + b) / 3 < 128 ? 255 : 0;
}

std::string StatusLine(std::int32_t generation, double population) {
    char g[32], p[400];
    std::snprintf(g, sizeof g, "%d", generation);
    std::snprintf(p, sizeof p, "%.0f", population);
    return "G " + FormatThousands(g) + " / P " + FormatThousands(p);
}

std::string ZoomLabel(double zoom) {
    char text[400];
    if (zoom >= 1)
        std::snprintf(text, sizeof text, "X %.0f", zoom);
    else
        std::snprintf(text, sizeof text, "X 1/%.0f", 1 / zoom);
    return text;
}

void BeginFrame(Context& ctx, bool advance) {
    CheckMemory(ctx);
    if (advance) AdvanceOneGeneration(ctx);
}

void AdvanceOneGeneration(Context& ctx) {
    Field& f = ctx.field;
    if (ctx.run.stopArmed &&
        static_cast<std::int64_t>(f.generation) + 1 >= ctx.run.stopGeneration) {
        ctx.run.disarmStop();
        StopRun(ctx);
    }
    AdvanceGeneration(f, ctx.rule);
    // Wraps instead of overflowing after 2^31 generations.
    f.generation = static_cast<std::int32_t>(static_cast<std::uint32_t>(f.generation) + 1u);
}

double CountCells(const Field& field) { return static_cast<double>(field.population()); }

namespace {

// The columns of a visible column span as at most two words' bits (a span is at most 64
// columns wide at the smallest zoom), to take out of the columns still needed once its square is
// painted.
struct SpanBits {
    int k0, k1;  // word indices (k1 = k0 when the span lies in one word)
    std::uint64_t m0, m1;
};

// Paints the live cells of a grid into a target through the visible column and row spans. Only
// the tile rows and tiles with a live cell are read.
class CellPainter {
public:
    CellPainter(const CellGrid& cells, const PixelTarget& target, std::uint32_t pixel,
                const std::vector<Span>& columns, const std::vector<Span>& rows)
        : cells_(cells), target_(target), pixel_(pixel), columns_(columns), rows_(rows) {
        firstColumn_ = columns.front().first;
        const int lastColumn = columns.back().first + columns.back().count - 1;
        txFirst_ = firstColumn_ >> 6;
        words_ = (lastColumn >> 6) - txFirst_ + 1;
        // The span of every visible column, so a live bit finds its square at once.
        spanOf_.assign(static_cast<std::size_t>(lastColumn - firstColumn_ + 1), -1);
        for (std::size_t n = 0; n < columns.size(); ++n)
            for (int k = 0; k < columns[n].count; ++k)
                spanOf_[static_cast<std::size_t>(columns[n].first + k - firstColumn_)] =
                    static_cast<int>(n);
        visible_.assign(static_cast<std::size_t>(words_), 0);
        for (int x = firstColumn_; x <= lastColumn; ++x)
            if (spanOf_[static_cast<std::size_t>(x - firstColumn_)] >= 0)
                visible_[static_cast<std::size_t>((x >> 6) - txFirst_)] |= std::uint64_t{1}
                                                                           << (x & 63);
        need_.resize(static_cast<std::size_t>(words_));
        spanBits_.resize(columns.size());
        for (std::size_t n = 0; n < columns.size(); ++n) {
            const int from = columns[n].first, to = columns[n].first + columns[n].count;
            SpanBits& b = spanBits_[n];
            b.k0 = (from >> 6) - txFirst_;
            b.k1 = ((to - 1) >> 6) - txFirst_;
            b.m0 = bitsOf(b.k0, from, to);
            b.m1 = bitsOf(b.k1, from, to);
            if (b.k1 > b.k0 + 1) b.m0 = 0;  // wider than the view's zooms make: taken bit by bit
        }
    }

    // Many cells a pixel: a square of each row of pixels is looked for in one row of cells after
    // another, and only the squares not yet lit are looked for again, so a dense pattern reads
    // about one row of cells per row of pixels.
    void paintShrunk();
    // A pixel or more a cell: per word of columns, the visible columns whose square in the
    // current row of pixels is not painted yet (need) are looked for; a row of cells is looked
    // at only where some remain, so in a dense pattern most rows of a wide square are never read.
    void paintSquares();

private:
    std::uint64_t bitsOf(int k, int from, int to) const {
        const int base = (txFirst_ + k) * 64;
        const int lo = std::max(from - base, 0), hi = std::min(to - base, 64);
        return (hi >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << hi) - 1) &
               (~std::uint64_t{0} << lo);
    }
    void take(int k, std::uint64_t bits) {
        std::uint64_t& n = need_[static_cast<std::size_t>(k)];
        if (n != 0 && (n & ~bits) == 0) --open_;
        n &= ~bits;
    }
    // True when tile row ty holds a live cell (asked in order, so one look per tile row).
    bool tileRowLive(int ty) {
        if (ty != liveRow_) {
            liveRow_ = ty;
            rowLive_ = cells_.tileRowLive(ty);
        }
        return rowLive_;
    }
    // True when a tile row under the row span r holds a live cell.
    bool anyTileRow(const Span& r) {
        for (int ty = r.first >> 4, last = (r.first + r.count - 1) >> 4; ty <= last; ++ty)
            if (tileRowLive(ty)) return true;
        return false;
    }
    void fill(const Span& r, const Span& c) {
        std::uint32_t* out = target_.pixels + static_cast<std::ptrdiff_t>(r.from) * target_.stride;
        for (int y = r.from; y < r.to; ++y, out += target_.stride)
            std::fill(out + c.from, out + c.to, pixel_);
    }

    const CellGrid& cells_;
    const PixelTarget& target_;
    const std::uint32_t pixel_;
    const std::vector<Span>& columns_;
    const std::vector<Span>& rows_;
    int firstColumn_ = 0, txFirst_ = 0, words_ = 0;
    int open_ = 0;      // words of need_ with a bit set
    int liveRow_ = -1;  // the tile row last found to hold cells, and whether it does
    bool rowLive_ = false;

    // Kept from frame to frame, so drawing allocates nothing once the view has its size.
    static thread_local std::vector<int> spanOf_;
    static thread_local std::vector<std::uint64_t> visible_, need_;
    static thread_local std::vector<SpanBits> spanBits_;
};

thread_local std::vector<int> CellPainter::spanOf_;
thread_local std::vector<std::uint64_t> CellPainter::visible_, CellPainter::need_;
thread_local std::vector<SpanBits> CellPainter::spanBits_;

void CellPainter::paintShrunk() {
    thread_local std::vector<std::uint64_t> rowWords;
    thread_local std::vector<int> unlit, still;
    rowWords.resize(static_cast<std::size_t>(words_));
    for (const Span& r : rows_) {
        if (!anyTileRow(r)) continue;
        unlit.resize(columns_.size());
        for (std::size_t n = 0; n < columns_.size(); ++n) unlit[n] = static_cast<int>(n);
        for (int i = r.first; i < r.first + r.count && !unlit.empty(); ++i) {
            const int ty = i >> 4;
            if (!tileRowLive(ty)) {
                i = ty * 16 + 15;  // the rest of this tile row is empty too
                continue;
            }
            for (int k = 0; k < words_; ++k)
                rowWords[static_cast<std::size_t>(k)] =
                    cells_.tileLive(txFirst_ + k, ty) ? cells_.word(txFirst_ + k, i) : 0;
            still.clear();
            for (const int n : unlit) {
                const SpanBits& b = spanBits_[static_cast<std::size_t>(n)];
                const Span& c = columns_[static_cast<std::size_t>(n)];
                bool lit;
                if (b.m0 != 0) {
                    lit = ((rowWords[static_cast<std::size_t>(b.k0)] & b.m0) |
                           (rowWords[static_cast<std::size_t>(b.k1)] & b.m1)) != 0;
                } else {
                    lit = false;
                    for (int col = c.first; col < c.first + c.count && !lit; ++col)
                        lit = (rowWords[static_cast<std::size_t>((col >> 6) - txFirst_)] >>
                                   (col & 63) &
                               1) != 0;
                }
                if (!lit) {
                    still.push_back(n);
                    continue;
                }
                fill(r, c);
            }
            unlit.swap(still);
        }
    }
}

void CellPainter::paintSquares() {
    for (const Span& r : rows_) {
        // A row of pixels whose rows of tiles are all empty needs nothing.
        if (!anyTileRow(r)) continue;
        std::copy(visible_.begin(), visible_.end(), need_.begin());
        open_ = static_cast<int>(
            std::count_if(need_.begin(), need_.end(), [](std::uint64_t n) { return n != 0; }));
        for (int i = r.first; i < r.first + r.count && open_ > 0; ++i) {
            const int ty = i >> 4;
            if (!tileRowLive(ty)) {
                i = ty * 16 + 15;  // the rest of this tile row is empty too
                continue;
            }
            for (int k = 0; k < words_; ++k) {
                const int tx = txFirst_ + k;
                if (need_[static_cast<std::size_t>(k)] == 0 || !cells_.tileLive(tx, ty)) continue;
                const std::uint64_t row = cells_.word(tx, i);
                std::uint64_t w;
                while ((w = row & need_[static_cast<std::size_t>(k)]) != 0) {
                    const int x = tx * 64 + std::countr_zero(w);
                    const auto n = static_cast<std::size_t>(
                        spanOf_[static_cast<std::size_t>(x - firstColumn_)]);
                    const Span& c = columns_[n];
                    if (r.to - r.from == 1 && c.to - c.from == 1)
                        target_
                            .pixels[static_cast<std::ptrdiff_t>(r.from) * target_.stride + c.from] =
                            pixel_;
                    else
                        fill(r, c);
                    const SpanBits& b = spanBits_[n];
                    if (b.m0 == 0) {
                        for (int col = c.first; col < c.first + c.count; ++col)
                            take((col >> 6) - txFirst_, std::uint64_t{1} << (col & 63));
                    } else {
                        take(b.k0, b.m0);
                        if (b.k1 != b.k0) take(b.k1, b.m1);
                    }
                }
            }
        }
    }
}

}  // namespace

double PaintCells(const Field& field, const PixelTarget& target, float viewLeft, float viewTop,
                  double zoom, std::uint32_t pixel) {
    const double population = CountCells(field);
    const int width = target.width, height = target.height;
    if (width <= 0 || height <= 0 || target.pixels == nullptr || !field.hasCells())
        return population;
    const int s = CellSize(zoom);
    // Only the columns and rows whose squares reach the target are looked at.
    thread_local std::vector<Span> columns, rows;
    VisibleColumns(field.gridWidth, viewLeft, zoom, s, width, columns);
    VisibleRows(field.gridHeight, viewTop, zoom, s, height, rows);
    if (columns.empty() || rows.empty() || field.cells().empty()) return population;
    CellPainter painter(field.cells(), target, pixel, columns, rows);
    if (zoom < 1)
        painter.paintShrunk();
    else
        painter.paintSquares();
    return population;
}

bool FrameFindsExtinction(Context& ctx) {
    if (HasLiveCells(ctx.view) || ctx.field.generation == 0) return false;
    StopRun(ctx);
    return true;
}

void StartPendingZoomLabelTimer(Context& ctx) {
    if (!ctx.view.zoomLabelTimerPending) return;
    ctx.host.setTimer(ZOOM_LABEL_TIMER, kZoomLabelInterval);
    ctx.view.zoomLabelTimerPending = false;
}

void FrameWithoutPicture(Context& ctx, bool advance) {
    BeginFrame(ctx, advance);
    ctx.view.population = CountCells(ctx.field);
    FrameFindsExtinction(ctx);
    StartPendingZoomLabelTimer(ctx);
}

void RunTick(Context& ctx, const FrameFn& drawFrame) {
    if (ctx.run.running) drawFrame(true);
}

void ZoomLabelTick(Context& ctx, const FrameFn& drawFrame) {
    ctx.view.zoomLabelShown = false;
    ctx.host.killTimer(ZOOM_LABEL_TIMER);
    if (!ctx.run.running) drawFrame(false);
}

}  // namespace gb
