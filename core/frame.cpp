#include "core/frame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/context.h"
#include "core/format_number.h"
#include "core/run.h"
#include "core/engine/cell_index.h"
#include "core/engine/step.h"

namespace gb {

namespace {

constexpr double kPixelLimit = 1 << 28;

// True when any byte of [p, p + n) is not zero; stops at the first 64 bytes that hold one.
bool AnyNonZero(const std::int8_t* p, std::ptrdiff_t n) {
    std::ptrdiff_t k = 0;
    while (k + 8 <= n) {
        std::uint64_t acc = 0;
        const std::ptrdiff_t end = std::min(n - 7, k + 64);
        for (; k < end; k += 8) {
            std::uint64_t w;
            std::memcpy(&w, p + k, 8);
            acc |= w;
        }
        if (acc != 0) return true;
    }
    std::uint64_t acc = 0;
    for (; k < n; ++k) acc |= static_cast<std::uint8_t>(p[k]);
    return acc != 0;
}

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
void VisibleColumns(int gw, float viewLeft, double zoom, int s, int width,
                    std::vector<Span>& out) {
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
            const int p = TruncPixel(x0 + j * zoom);
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
        const int p = TruncPixel((i - static_cast<double>(viewTop)) * zoom);
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
    if (!advance) return;
    Field& f = ctx.field;
    if (ctx.run.stopArmed &&
        static_cast<std::int64_t>(f.generation) + 1 >= ctx.run.stopGeneration) {
        ctx.run.stopArmed = false;
        StopRun(ctx);
    }
    AdvanceGeneration(f, ctx.rule);
    // Wraps instead of overflowing after 2^31 generations.
    f.generation = static_cast<std::int32_t>(static_cast<std::uint32_t>(f.generation) + 1u);
}

double CountCells(const Field& field) {
    // The step keeps the count when it wrote the plane last; otherwise a scan.
    return static_cast<double>(LiveCellCount(field));
}

double PaintCells(const Field& field, const PixelTarget& target, float viewLeft, float viewTop,
                  double zoom, std::uint32_t pixel) {
    const double population = CountCells(field);
    const int width = target.width, height = target.height;
    if (width <= 0 || height <= 0 || target.pixels == nullptr || field.cells == nullptr)
        return population;
    const int gw = field.gridWidth, gh = field.gridHeight;
    const int s = CellSize(zoom);

    // Only the columns and rows whose squares reach the target are looked at.
    thread_local std::vector<Span> columns, rows;
    VisibleColumns(gw, viewLeft, zoom, s, width, columns);
    VisibleRows(gh, viewTop, zoom, s, height, rows);
    if (columns.empty() || rows.empty()) return population;

    const std::int8_t* cells = field.plane0();
    // Tiles the index leaves unmarked hold no cell: they are background without a look.
    const CellIndex& index = EnsureIndex(field);
    const auto tileSet = [](const std::uint64_t* words, int j) {
        return (words[j >> 6] >> (j & 63) & 1) != 0;
    };
    // True when row holds a non-zero byte in columns x0 .. x1 of a marked tile.
    const auto live = [&](const std::int8_t* row, const std::uint64_t* words, int x0, int x1) {
        for (int j = index.TileOfX(x0), last = index.TileOfX(x1); j <= last; ++j) {
            if (!tileSet(words, j)) continue;
            const int a = std::max(x0, index.TileLeft(j)), b = std::min(x1, index.TileRight(j));
            if (AnyNonZero(row + a, b - a + 1)) return true;
        }
        return false;
    };
    const bool singleColumns = std::all_of(columns.begin(), columns.end(),
                                           [](const Span& c) { return c.count == 1; });
    const int firstColumn = columns.front().first;
    const int lastColumn = columns.back().first + columns.back().count - 1;
    thread_local std::vector<std::uint8_t> lit;
    // The tiles of every column span: its first, and its last when it reaches into another.
    thread_local std::vector<int> tiles, lastTiles;
    tiles.clear();
    lastTiles.clear();
    for (const Span& c : columns) {
        tiles.push_back(index.TileOfX(c.first));
        lastTiles.push_back(index.TileOfX(c.first + c.count - 1));
    }
    for (const Span& r : rows) {
        std::uint32_t* line = target.pixels + static_cast<std::ptrdiff_t>(r.from) * target.stride;
        if (singleColumns && r.count == 1 && r.to - r.from == 1 && s == 1) {
            // One pixel per cell: a select instead of a branch per cell, in marked tiles only.
            const int band = index.BandOfY(r.first);
            if (index.bandAny[static_cast<std::size_t>(band)] == 0) continue;
            const std::uint64_t* words = index.Band(band);
            const std::int8_t* row = cells + static_cast<std::ptrdiff_t>(r.first) * gw;
            for (std::size_t n = 0; n < columns.size(); ++n) {
                if (!tileSet(words, tiles[n])) continue;
                const Span& c = columns[n];
                std::uint32_t& px = line[c.from];
                px = row[c.first] != 0 ? pixel : px;
            }
            continue;
        }
        // Several rows may share these pixels: a square once lit is not looked at again.
        lit.assign(columns.size(), 0);
        std::size_t litCount = 0;
        int fullBand = -1;
        bool full = false;
        for (int i = r.first; i < r.first + r.count && litCount < columns.size(); ++i) {
            const int band = index.BandOfY(i);
            if (index.bandAny[static_cast<std::size_t>(band)] == 0) continue;
            const std::uint64_t* words = index.Band(band);
            if (band != fullBand) {  // every tile in view marked: no tile need be asked
                full = true;
                for (int j = tiles.front(); j <= lastTiles.back() && full; ++j) full = tileSet(words, j);
                fullBand = band;
            }
            const std::int8_t* row = cells + static_cast<std::ptrdiff_t>(i) * gw;
            if (r.count > 1 && !(full ? AnyNonZero(row + firstColumn, lastColumn - firstColumn + 1)
                                      : live(row, words, firstColumn, lastColumn)))
                continue;
            const auto paint = [&](std::size_t n) {
                const Span& c = columns[n];
                lit[n] = 1;
                ++litCount;
                for (int y = r.from; y < r.to; ++y) {
                    std::uint32_t* out = target.pixels + static_cast<std::ptrdiff_t>(y) * target.stride;
                    std::fill(out + c.from, out + c.to, pixel);
                }
            };
            if (full) {
                for (std::size_t n = 0; n < columns.size(); ++n) {
                    if (lit[n] != 0) continue;
                    const Span& c = columns[n];
                    if (c.count == 1 ? row[c.first] != 0 : AnyNonZero(row + c.first, c.count)) paint(n);
                }
                continue;
            }
            for (std::size_t n = 0; n < columns.size(); ++n) {
                if (lit[n] != 0) continue;
                const Span& c = columns[n];
                const int lo = tiles[n], hi = lastTiles[n];
                bool isLive;
                if (!tileSet(words, lo) && (hi == lo || !tileSet(words, hi)) && hi <= lo + 1)
                    isLive = false;
                else if (hi == lo || (hi == lo + 1 && tileSet(words, lo) && tileSet(words, hi)))
                    isLive = c.count == 1 ? row[c.first] != 0 : AnyNonZero(row + c.first, c.count);
                else
                    isLive = live(row, words, c.first, c.first + c.count - 1);
                if (isLive) paint(n);
            }
        }
    }
    return population;
}

bool FrameFindsExtinction(Context& ctx) {
    if (ctx.field.population != 0 || ctx.field.generation == 0) return false;
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
    ctx.field.population = CountCells(ctx.field);
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
