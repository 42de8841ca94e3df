#include "frontends/cli/study.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "core/engine/field.h"
#include "core/engine/rule.h"
#include "core/engine/step.h"
#include "core/engine/step_kernel.h"

namespace gb::cli {

namespace {

std::uint64_t Load8(const std::int8_t* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

bool RowHasLife(const std::int8_t* row, int width) {
    int x = 0;
    for (; x + 64 <= width; x += 64) {
        std::uint64_t any = 0;
        for (int i = 0; i < 64; i += 8) any |= Load8(row + x + i);
        if (any != 0) return true;
    }
    for (; x < width; ++x)
        if (row[x] != 0) return true;
    return false;
}

// The first non-zero byte of row[0, end), or end.
int FirstLive(const std::int8_t* row, int end) {
    int x = 0;
    for (; x + 8 <= end; x += 8) {
        const std::uint64_t w = Load8(row + x);
        if (w != 0) return x + std::countr_zero(w) / 8;  // little-endian: the lowest byte first
    }
    for (; x < end; ++x)
        if (row[x] != 0) return x;
    return end;
}

// The last non-zero byte of row(begin, width), or begin.
int LastLive(const std::int8_t* row, int begin, int width) {
    int x = width;
    for (; x - 8 > begin; x -= 8) {
        const std::uint64_t w = Load8(row + x - 8);
        if (w != 0) return x - 1 - std::countl_zero(w) / 8;
    }
    for (--x; x > begin; --x)
        if (row[x] != 0) return x;
    return begin;
}

std::uint64_t SplitMix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

constexpr int kTileWidth = stepk::kTileWidth;
constexpr int kTileRows = stepk::kMaxBandRows;
constexpr int kWordsPerTileRow = kTileWidth / 8;

// Two 32-bit keys for every row of a tile: the row's place decides its share of the hash.
struct TileKeys {
    std::uint32_t key[kTileRows * 2];
    TileKeys() {
        for (int i = 0; i < kTileRows * 2; ++i)
            key[i] = static_cast<std::uint32_t>(SplitMix(0x6772696462ull + static_cast<std::uint64_t>(i)));
    }
};
const TileKeys kKeys;

// The 64 cells of a tile row as the 64 bits of one word: cells hold 0 or 1, so word k shifted
// by k fills bits k, k + 8, ... without overlap. (Other bytes may give a word that another row
// gives too; that costs a confirmation on the cells, never a wrong answer.)
std::uint64_t RowBits(const std::int8_t* row) {
    std::uint64_t bits = 0;
    for (int k = 0; k < kWordsPerTileRow; ++k) bits |= Load8(row + 8 * k) << k;
    return bits;
}

// The row words of full-width tiles of one band, a bit set for each cell that is not 0: rows
// start at rowStart (stride bytes apart), tile i at column 64 × tx[i]; out holds kTileRows
// words per tile. The rows are read in memory order across the tiles. This runs over every tile
// the step computed, so it uses the widest vector unit the processor has: one test of 64 bytes
// a row with AVX-512, two compares with AVX2.
using BandRowBitsFn = void (*)(const std::int8_t* rowStart, std::ptrdiff_t stride, int rows, const int* tx, int tiles,
                               std::uint64_t* out);

void BandRowBitsPortable(const std::int8_t* rowStart, std::ptrdiff_t stride, int rows, const int* tx, int tiles,
                         std::uint64_t* out) {
    for (int r = 0; r < rows; ++r)
        for (int i = 0; i < tiles; ++i) out[i * kTileRows + r] = RowBits(rowStart + r * stride + kTileWidth * tx[i]);
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx512bw,avx512f"))) void BandRowBitsAvx512(const std::int8_t* rowStart, std::ptrdiff_t stride,
                                                                    int rows, const int* tx, int tiles,
                                                                    std::uint64_t* out) {
    for (int r = 0; r < rows; ++r) {
        const std::int8_t* row = rowStart + r * stride;
        for (int i = 0; i < tiles; ++i) {
            const __m512i v = _mm512_loadu_si512(row + kTileWidth * tx[i]);
            out[i * kTileRows + r] = _mm512_test_epi8_mask(v, v);
        }
    }
}

__attribute__((target("avx2"))) void BandRowBitsAvx2(const std::int8_t* rowStart, std::ptrdiff_t stride, int rows,
                                                     const int* tx, int tiles, std::uint64_t* out) {
    const __m256i zero = _mm256_setzero_si256();
    for (int r = 0; r < rows; ++r) {
        const std::int8_t* row = rowStart + r * stride;
        for (int i = 0; i < tiles; ++i) {
            const std::int8_t* p = row + kTileWidth * tx[i];
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
            const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
            const auto deadA = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, zero)));
            const auto deadB = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(b, zero)));
            out[i * kTileRows + r] = static_cast<std::uint64_t>(~deadA) | static_cast<std::uint64_t>(~deadB) << 32;
        }
    }
}

BandRowBitsFn ChooseBandRowBits() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512f")) return BandRowBitsAvx512;
    if (__builtin_cpu_supports("avx2")) return BandRowBitsAvx2;
    return BandRowBitsPortable;
}
#else
BandRowBitsFn ChooseBandRowBits() { return BandRowBitsPortable; }
#endif

const BandRowBitsFn BandRowBits = ChooseBandRowBits();

// Whether the step's record of the tiles it may change describes this Field now.
bool StepTracksField(const Field& f, int tilesX, int bands) {
    const StepTracking& t = f.tracking;
    return t.valid && t.stamp == f.changeStamp && t.cells == f.cells && t.gridWidth == f.gridWidth &&
           t.gridHeight == f.gridHeight && t.tilesX == tilesX && t.bands == bands &&
           t.active.size() == static_cast<std::size_t>(bands) * static_cast<std::size_t>(t.wordsPerBand) &&
           t.activeBand.size() == static_cast<std::size_t>(bands);
}

}  // namespace

Extent QuickExtentWithin(const Field& f, int x0, int y0, int x1, int y1) {
    Extent e;
    if (f.cells == nullptr) return e;
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, f.gridWidth - 1), y1 = std::min(y1, f.gridHeight - 1);
    if (x0 > x1 || y0 > y1) return e;
    const int width = x1 - x0 + 1;
    const auto row = [&](int y) { return f.plane0() + static_cast<std::ptrdiff_t>(y) * f.gridWidth + x0; };
    int top = y0;
    while (top <= y1 && !RowHasLife(row(top), width)) ++top;
    if (top > y1) return e;
    int bottom = y1;
    while (bottom > top && !RowHasLife(row(bottom), width)) --bottom;
    int left = width, right = -1;  // relative to x0
    for (int y = top; y <= bottom; ++y) {
        const std::int8_t* r = row(y);
        left = std::min(left, FirstLive(r, left));
        right = std::max(right, LastLive(r, right, width));
    }
    e.found = 1;
    e.left = x0 + left;
    e.top = top;
    e.right = x0 + right;
    e.bottom = bottom;
    e.width = right - left + 1;
    e.height = bottom - top + 1;
    return e;
}

Extent QuickExtent(const Field& f) { return QuickExtentWithin(f, 0, 0, f.gridWidth - 1, f.gridHeight - 1); }

void ExtentWatch::afterStep(const Field& f) {
    if (!bounded_) return;
    const int tilesX = (f.gridWidth - 2 + kTileWidth - 1) / kTileWidth;
    const int bands = (f.gridHeight - 2 + kTileRows - 1) / kTileRows;
    if (!StepTracksField(f, tilesX, bands)) {
        bounded_ = false;
        return;
    }
    // Every cell the step changed lies in a tile it marked for its next run.
    const StepTracking& t = f.tracking;
    for (int b = 0; b < bands; ++b) {
        if (t.activeBand[static_cast<std::size_t>(b)] == 0) continue;
        const std::uint64_t* words = t.active.data() + static_cast<std::ptrdiff_t>(b) * t.wordsPerBand;
        int first = -1, last = -1;
        for (int w = 0; w < t.wordsPerBand; ++w)
            if (words[w] != 0) {
                if (first < 0) first = w * 64 + std::countr_zero(words[w]);
                last = w * 64 + 63 - std::countl_zero(words[w]);
            }
        if (first < 0) continue;
        const int left = 1 + kTileWidth * first, right = kTileWidth * (last + 1);
        const int top = 1 + kTileRows * b, bottom = kTileRows * (b + 1);
        if (box_.found) {
            box_.left = std::min(box_.left, left), box_.right = std::max(box_.right, right);
            box_.top = std::min(box_.top, top), box_.bottom = std::max(box_.bottom, bottom);
        } else {
            box_ = Extent{1, left, top, right, bottom, 0, 0};
        }
    }
}

Extent ExtentWatch::extent(const Field& f) {
    // Cells alive now were alive at the last extent found, or changed since: inside the box.
    const Extent e = bounded_ ? (box_.found ? QuickExtentWithin(f, box_.left, box_.top, box_.right, box_.bottom) : box_)
                              : QuickExtent(f);
    bounded_ = true;
    box_ = e;
    return e;
}

bool Snapshot::live(int x, int y) const {
    if (!box.found || x < box.left || x > box.right || y < box.top || y > box.bottom) return false;
    const std::int64_t i = static_cast<std::int64_t>(y - box.top) * box.width + (x - box.left);
    return (bits[static_cast<std::size_t>(i >> 6)] >> (i & 63) & 1) != 0;
}

Snapshot TakeSnapshot(const Field& f) { return TakeSnapshot(f, QuickExtent(f)); }

Snapshot TakeSnapshot(const Field& f, const Extent& extent) {
    Snapshot s;
    s.box = extent;
    s.gridWidth = f.gridWidth;
    if (!s.box.found) return s;
    const std::int64_t count = static_cast<std::int64_t>(s.box.width) * s.box.height;
    s.bits.assign(static_cast<std::size_t>((count + 63) / 64), 0);
    const int width = s.box.width;
    for (int y = s.box.top; y <= s.box.bottom; ++y) {
        const std::int8_t* r = f.plane0() + static_cast<std::ptrdiff_t>(y) * f.gridWidth + s.box.left;
        const std::int64_t rowStart = static_cast<std::int64_t>(y - s.box.top) * width;
        const auto mark = [&](int x) {
            const std::int64_t i = rowStart + x;
            s.bits[static_cast<std::size_t>(i >> 6)] |= std::uint64_t{1} << (i & 63);
            if (r[x] != 1) s.others.emplace_back(static_cast<std::int64_t>(y) * f.gridWidth + s.box.left + x, r[x]);
        };
        // Dead words are passed over eight cells at a time.
        int x = 0;
        for (; x + 8 <= width; x += 8)
            for (std::uint64_t w = Load8(r + x); w != 0;) {
                const int byte = std::countr_zero(w) / 8;
                mark(x + byte);
                w &= ~(std::uint64_t{0xFF} << (8 * byte));
            }
        for (; x < width; ++x)
            if (r[x] != 0) mark(x);
    }
    return s;
}

bool SameCells(const Snapshot& a, const Snapshot& b) {
    if (a.box.found != b.box.found || a.gridWidth != b.gridWidth) return false;
    if (!a.box.found) return true;
    return a.box.left == b.box.left && a.box.top == b.box.top && a.box.right == b.box.right &&
           a.box.bottom == b.box.bottom && a.bits == b.bits && a.others == b.others;
}

void RestoreSnapshot(Field& f, const Snapshot& s) {
    ClearCells(f);
    if (s.box.found) {
        for (int y = s.box.top; y <= s.box.bottom; ++y)
            for (int x = s.box.left; x <= s.box.right; ++x)
                if (s.live(x, y)) f.at(x, y) = 1;
        NoteCellsWritten(f, s.box.left, s.box.top, s.box.right, s.box.bottom);
        for (const auto& [index, value] : s.others) {
            f.plane0()[index] = value;
            NoteCellWritten(f, static_cast<int>(index % f.gridWidth), static_cast<int>(index / f.gridWidth));
        }
    }
}

std::string StatsRow(std::int64_t generation, std::int64_t population, const Extent& e) {
    std::string row = std::to_string(generation) + ',' + std::to_string(population);
    if (e.found) {
        for (int v : {e.left, e.top, e.right, e.bottom, e.width, e.height}) row += ',' + std::to_string(v);
        row += '\n';
    } else {
        row += ",,,,,,\n";
    }
    return row;
}

SettleWatch::SettleWatch(Field& field, const Rule& rule, int maxPeriod)
    : field_(field), rule_(rule), maxPeriod_(maxPeriod) {
    tilesX_ = std::max(0, (field.gridWidth - 2 + kTileWidth - 1) / kTileWidth);
    bands_ = std::max(0, (field.gridHeight - 2 + kTileRows - 1) / kTileRows);
    tileHash_.assign(static_cast<std::size_t>(tilesX_) * static_cast<std::size_t>(bands_), 0);
    tileKey_.resize(tileHash_.size());
    for (std::size_t i = 0; i < tileKey_.size(); ++i) tileKey_[i] = SplitMix(i + 0x5eed);
    hashAll();
    recent_.assign(static_cast<std::size_t>(maxPeriod) + 1, 0);
    recent_[0] = total_;
    // Copies every maxPeriod / 8 generations reach back past any G - P with a replay of at most
    // that many generations.
    checkpointEvery_ = std::max<std::int64_t>(1, (maxPeriod + 7) / 8);
    checkpoints_.resize(static_cast<std::size_t>(maxPeriod / checkpointEvery_ + 3));
    checkpoints_[0] = {0, TakeSnapshot(field)};
}

std::uint64_t SettleWatch::tileHash(const std::uint64_t* rowBits, int rows, std::size_t tile) const {
    // The NH hash of the row words: different tiles collide with a chance of about 2^-32.
    std::uint64_t sum = 0;
    for (int r = 0; r < rows; ++r)
        sum += static_cast<std::uint64_t>(static_cast<std::uint32_t>(rowBits[r]) + kKeys.key[2 * r]) *
               (static_cast<std::uint32_t>(rowBits[r] >> 32) + kKeys.key[2 * r + 1]);
    // The tile's own key makes equal contents in different places count differently.
    std::uint64_t h = sum + tileKey_[tile];
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 32);
}

void SettleWatch::rehashBand(int band, const int* tx, int tiles) {
    const Field& f = field_;
    const int y0 = 1 + band * kTileRows;
    const int rows = std::min(kTileRows, f.gridHeight - 1 - y0);
    const std::int8_t* rowStart = f.plane0() + static_cast<std::ptrdiff_t>(y0) * f.gridWidth + 1;
    // Tiles of full width together, row by row; the last tile column, cut short, on its own.
    int full = tiles;
    if (full > 0 && 1 + kTileWidth * (tx[full - 1] + 1) > f.gridWidth - 1) --full;
    rowBits_.resize(static_cast<std::size_t>(tiles) * kTileRows);
    BandRowBits(rowStart, f.gridWidth, rows, tx, full, rowBits_.data());
    if (full < tiles) {
        const int width = f.gridWidth - 2 - kTileWidth * tx[full];
        alignas(8) std::int8_t part[kTileWidth];
        for (int r = 0; r < rows; ++r) {
            std::memset(part, 0, sizeof part);
            std::memcpy(part, rowStart + static_cast<std::ptrdiff_t>(r) * f.gridWidth + kTileWidth * tx[full],
                        static_cast<std::size_t>(width));
            rowBits_[static_cast<std::size_t>(full) * kTileRows + static_cast<std::size_t>(r)] = RowBits(part);
        }
    }
    for (int i = 0; i < tiles; ++i) {
        const std::size_t tile = static_cast<std::size_t>(band) * static_cast<std::size_t>(tilesX_) + static_cast<std::size_t>(tx[i]);
        const std::uint64_t h = tileHash(rowBits_.data() + static_cast<std::size_t>(i) * kTileRows, rows, tile);
        total_ += h - tileHash_[tile];
        tileHash_[tile] = h;
    }
}

void SettleWatch::hashAll() {
    std::fill(tileHash_.begin(), tileHash_.end(), std::uint64_t{0});
    total_ = 0;
    tiles_.resize(static_cast<std::size_t>(tilesX_));
    for (int tx = 0; tx < tilesX_; ++tx) tiles_[static_cast<std::size_t>(tx)] = tx;
    for (int b = 0; b < bands_; ++b) rehashBand(b, tiles_.data(), tilesX_);
}

void SettleWatch::rehashChanged() {
    // The step marks, for its next run, every tile next to a cell it changed: a superset of the
    // tiles whose cells differ from the generation before.
    if (hashEverything_ || !StepTracksField(field_, tilesX_, bands_)) {
        hashAll();
        return;
    }
    const StepTracking& t = field_.tracking;
    for (int b = 0; b < bands_; ++b) {
        if (t.activeBand[static_cast<std::size_t>(b)] == 0) continue;
        const std::uint64_t* words = t.active.data() + static_cast<std::ptrdiff_t>(b) * t.wordsPerBand;
        tiles_.clear();
        for (int w = 0; w < t.wordsPerBand; ++w)
            for (std::uint64_t bitsLeft = words[w]; bitsLeft != 0; bitsLeft &= bitsLeft - 1) {
                const int tx = w * 64 + std::countr_zero(bitsLeft);
                if (tx < tilesX_) tiles_.push_back(tx);
            }
        if (!tiles_.empty()) rehashBand(b, tiles_.data(), static_cast<int>(tiles_.size()));
    }
}

bool SettleWatch::confirm(std::int64_t g, int period) {
    const std::int64_t target = g - period;
    const Checkpoint* from = nullptr;
    for (const Checkpoint& c : checkpoints_)
        if (c.generation >= 0 && c.generation <= target && (from == nullptr || c.generation > from->generation))
            from = &c;
    if (from == nullptr) return false;
    Snapshot now = TakeSnapshot(field_);
    if (from->generation == target) return SameCells(from->cells, now);
    // Run the copy forward to G - P, compare, and put generation G back.
    RestoreSnapshot(field_, from->cells);
    for (std::int64_t i = from->generation; i < target; ++i) AdvanceGeneration(field_, rule_);
    const bool same = SameCells(TakeSnapshot(field_), now);
    RestoreSnapshot(field_, now);
    return same;
}

std::optional<int> SettleWatch::afterStep(std::int64_t g) {
    rehashChanged();
    const std::size_t size = recent_.size();
    const std::int64_t longest = std::min<std::int64_t>(g, maxPeriod_);
    for (int p = 1; p <= longest; ++p)
        if (recent_[static_cast<std::size_t>((g - p) % static_cast<std::int64_t>(size))] == total_ && confirm(g, p))
            return p;
    recent_[static_cast<std::size_t>(g % static_cast<std::int64_t>(size))] = total_;
    if (g % checkpointEvery_ == 0) {
        Checkpoint& slot = checkpoints_[static_cast<std::size_t>((g / checkpointEvery_) % static_cast<std::int64_t>(checkpoints_.size()))];
        slot.generation = g;
        slot.cells = TakeSnapshot(field_);
    }
    return std::nullopt;
}

}  // namespace gb::cli
