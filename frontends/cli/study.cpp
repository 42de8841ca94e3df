#include "frontends/cli/study.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "core/engine/cell_grid.h"
#include "core/engine/field.h"
#include "core/engine/rule.h"
#include "core/engine/step.h"

namespace gb::cli {

namespace {

constexpr int kTileRows = CellGrid::kTileHeight;

std::uint64_t SplitMix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Two 32-bit keys for every row of a tile: the row's place decides its share of the hash.
struct TileKeys {
    std::uint32_t key[kTileRows * 2];
    std::uint64_t emptySum = 0;  // the NH sum of a tile without a live cell
    TileKeys() {
        for (int i = 0; i < kTileRows * 2; ++i)
            key[i] = static_cast<std::uint32_t>(SplitMix(0x6772696462ull + static_cast<std::uint64_t>(i)));
        for (int r = 0; r < kTileRows; ++r) emptySum += std::uint64_t{key[2 * r]} * key[2 * r + 1];
    }
};
const TileKeys kKeys;

// A tile's hash from the NH sum of its row words (different contents of one tile give the same
// sum with a chance of about 2^-32), weighed by an odd key of its place so that equal contents
// in different places count differently. A tile without a live cell hashes to 0, so only the
// tiles with one need hashing when the whole Field is.
std::uint64_t FinishTileHash(std::uint64_t sum, std::int32_t tile) {
    return (sum - kKeys.emptySum) * ((2 * static_cast<std::uint64_t>(tile) + 1) * 0x9E3779B97F4A7C15ull);
}

std::uint64_t TileHash(const std::uint64_t* rows, std::int32_t tile) {
    std::uint64_t sum = 0;
    for (int r = 0; r < kTileRows; ++r)
        sum += static_cast<std::uint64_t>(static_cast<std::uint32_t>(rows[r]) + kKeys.key[2 * r]) *
               (static_cast<std::uint32_t>(rows[r] >> 32) + kKeys.key[2 * r + 1]);
    return FinishTileHash(sum, tile);
}

// Hashes tiles[0 .. count) from the grid's words (16 a tile, tile after tile) into out. This
// runs over every tile that may have changed, most of the Field in a chaotic phase, so it uses
// AVX2 where there is one.
using HashTilesFn = void (*)(const std::uint64_t* words, const std::int32_t* tiles, std::size_t count,
                             std::uint64_t* out);

void HashTilesPortable(const std::uint64_t* words, const std::int32_t* tiles, std::size_t count, std::uint64_t* out) {
    for (std::size_t i = 0; i < count; ++i) out[i] = TileHash(words + static_cast<std::ptrdiff_t>(tiles[i]) * kTileRows, tiles[i]);
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same, four rows at a time: a row word's halves are the two 32-bit lanes its keys are
// added to, and one multiply of the even lanes by the odd ones gives four products.
__attribute__((target("avx2"))) void HashTilesAvx2(const std::uint64_t* words, const std::int32_t* tiles,
                                                   std::size_t count, std::uint64_t* out) {
    const auto* keys = reinterpret_cast<const __m256i*>(kKeys.key);
    const __m256i k0 = _mm256_loadu_si256(keys), k1 = _mm256_loadu_si256(keys + 1);
    const __m256i k2 = _mm256_loadu_si256(keys + 2), k3 = _mm256_loadu_si256(keys + 3);
    for (std::size_t i = 0; i < count; ++i) {
        const auto* rows = reinterpret_cast<const __m256i*>(words + static_cast<std::ptrdiff_t>(tiles[i]) * kTileRows);
        const __m256i x0 = _mm256_add_epi32(_mm256_loadu_si256(rows), k0);
        const __m256i x1 = _mm256_add_epi32(_mm256_loadu_si256(rows + 1), k1);
        const __m256i x2 = _mm256_add_epi32(_mm256_loadu_si256(rows + 2), k2);
        const __m256i x3 = _mm256_add_epi32(_mm256_loadu_si256(rows + 3), k3);
        const __m256i p0 = _mm256_mul_epu32(x0, _mm256_srli_epi64(x0, 32));
        const __m256i p1 = _mm256_mul_epu32(x1, _mm256_srli_epi64(x1, 32));
        const __m256i p2 = _mm256_mul_epu32(x2, _mm256_srli_epi64(x2, 32));
        const __m256i p3 = _mm256_mul_epu32(x3, _mm256_srli_epi64(x3, 32));
        const __m256i s = _mm256_add_epi64(_mm256_add_epi64(p0, p1), _mm256_add_epi64(p2, p3));
        const __m128i half = _mm_add_epi64(_mm256_castsi256_si128(s), _mm256_extracti128_si256(s, 1));
        out[i] = FinishTileHash(static_cast<std::uint64_t>(_mm_cvtsi128_si64(half)) +
                                    static_cast<std::uint64_t>(_mm_extract_epi64(half, 1)),
                                tiles[i]);
    }
}

HashTilesFn ChooseHashTiles() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? HashTilesAvx2 : HashTilesPortable;
}
#else
HashTilesFn ChooseHashTiles() { return HashTilesPortable; }
#endif

bool SameRows(const std::uint64_t* a, const std::uint64_t* b) {
    std::uint64_t d = 0;
    for (int r = 0; r < kTileRows; ++r) d |= a[r] ^ b[r];
    return d == 0;
}

const HashTilesFn HashTiles = ChooseHashTiles();

// The 64 cells of row y from column x on (bits past the grid dead).
std::uint64_t GridBits(const CellGrid& g, int x, int y) {
    const int tx = x >> 6, off = x & 63, ty = y >> 4;
    std::uint64_t v = g.tileLive(tx, ty) ? g.word(tx, y) >> off : 0;
    if (off != 0 && tx + 1 < g.tilesX() && g.tileLive(tx + 1, ty)) v |= g.word(tx + 1, y) << (64 - off);
    return v;
}

// ORs the n (1 .. 64) low bits of v into bits[] from bit position pos on.
void OrBits(std::vector<std::uint64_t>& bits, std::int64_t pos, std::uint64_t v, int n) {
    const auto index = static_cast<std::size_t>(pos >> 6);
    const int off = static_cast<int>(pos & 63);
    bits[index] |= v << off;
    if (off != 0 && off + n > 64) bits[index + 1] |= v >> (64 - off);
}

}  // namespace

PackedCells PackCells(const Field& f, const Extent& extent) {
    PackedCells s;
    s.box = extent;
    if (!s.box.found) return s;
    const std::int64_t width = s.box.width;
    s.bits.assign(static_cast<std::size_t>((width * s.box.height + 63) / 64), 0);
    const CellGrid& g = f.cells();
    std::int64_t rowStart = 0;
    for (int y = s.box.top; y <= s.box.bottom; ++y, rowStart += width)
        for (int x = s.box.left; x <= s.box.right; x += 64) {
            const int n = std::min(64, s.box.right - x + 1);
            std::uint64_t v = GridBits(g, x, y);
            if (n < 64) v &= (std::uint64_t{1} << n) - 1;
            if (v != 0) OrBits(s.bits, rowStart + (x - s.box.left), v, n);
        }
    return s;
}

bool SameCells(const Field::Snapshot& a, const Field::Snapshot& b) {
    // A snapshot lists the live tiles in order with their words: equal cells, equal lists.
    return a.width == b.width && a.height == b.height && a.tiles == b.tiles && a.words == b.words;
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
    if (field.hasCells()) {
        tilesX_ = field.cells().tilesX();
        tiles_ = static_cast<std::size_t>(field.cells().tileCount());
    }
    for (int p = 0; p < 2; ++p) {
        hash_[p].assign(tiles_, 0);
        differedAt_[p].assign(tiles_, -1);
        copiedAt_[p].assign(tiles_, -1);
        // A copy is read only when copiedAt_ says it holds the cells, so the block is never
        // cleared: the pages of tiles never copied are never touched.
        copies_[p].reset(new std::uint64_t[kTileRows * tiles_]);
    }
    pickedAt_.assign(tiles_, -1);
    hashAll(0);
    recent_.assign(static_cast<std::size_t>(maxPeriod) + 1, 0);
    recent_[0] = total_;
    // Copies every maxPeriod / 8 generations reach back past any G - P with a replay of at most
    // that many generations.
    checkpointEvery_ = std::max<std::int64_t>(1, (maxPeriod + 7) / 8);
    checkpoints_.resize(static_cast<std::size_t>(maxPeriod / checkpointEvery_ + 3));
    checkpoints_[0] = {0, field.snapshotCells()};
}

void SettleWatch::hashAll(std::int64_t g) {
    const int p = static_cast<int>(g & 1);
    std::fill(hash_[p].begin(), hash_[p].end(), std::uint64_t{0});
    std::uint64_t total = 0;
    if (tiles_ != 0) {
        const CellGrid& cells = field_.cells();
        const std::uint64_t* words = cells.tileWords(0, 0);
        cells.forEachLiveTile([&](int tx, int ty) {
            const std::int32_t t = ty * tilesX_ + tx;
            hash_[p][static_cast<std::size_t>(t)] = TileHash(words + static_cast<std::ptrdiff_t>(t) * kTileRows, t);
            total += hash_[p][static_cast<std::size_t>(t)];
        });
    }
    totals_[p] = total_ = total;
    // Nothing said before about the cells can be used any more.
    stage_ = Stage::OneGeneration;
    resetAt_ = g;
    changedBefore_.clear();
    differ_.clear();
}

void SettleWatch::pick(std::int32_t t, std::int64_t g) {
    if (t < 0 || static_cast<std::size_t>(t) >= tiles_ || pickedAt_[static_cast<std::size_t>(t)] == g) return;
    pickedAt_[static_cast<std::size_t>(t)] = g;
    picked_.push_back(t);
}

void SettleWatch::hashChanged(const std::vector<std::int32_t>& changed, std::int64_t g) {
    const int p = static_cast<int>(g & 1);
    std::vector<std::uint64_t>& now = hash_[p];
    const std::uint64_t* words = field_.cells().tileWords(0, 0);
    if (stage_ == Stage::OneGeneration) {
        // The hashes of the generation before, and the tiles that changed since hashed again.
        now = hash_[p ^ 1];
        fresh_.resize(changed.size());
        HashTiles(words, changed.data(), changed.size(), fresh_.data());
        std::uint64_t total = totals_[p ^ 1];
        for (std::size_t i = 0; i < changed.size(); ++i) {
            const auto t = static_cast<std::size_t>(changed[i]);
            total += fresh_[i] - now[t];
            now[t] = fresh_[i];
        }
        totals_[p] = total_ = total;
        changedBefore_.assign(changed.begin(), changed.end());
        stage_ = Stage::TwoGenerations;
        return;
    }
    // hash_[p] holds the hashes of generation g - 2: only the tiles whose cells differ from
    // then are hashed again. They changed in this step or in the one before; and as a tile's
    // cells follow from its 3 × 3 block of tiles a generation before, each is next to a tile
    // that differed, a generation ago, from two generations before that. Oscillators of period
    // two away from anything else are never looked at.
    picked_.clear();
    if (stage_ == Stage::Differences && 9 * differ_.size() < changed.size() + changedBefore_.size()) {
        for (const std::int32_t n : differ_)
            for (const std::int32_t row : {n - tilesX_, n, n + tilesX_})
                for (const std::int32_t t : {row - 1, row, row + 1}) pick(t, g);
    } else {
        for (const std::int32_t t : changed) pick(t, g);
        for (const std::int32_t t : changedBefore_) pick(t, g);
    }
    fresh_.resize(picked_.size());
    HashTiles(words, picked_.data(), picked_.size(), fresh_.data());
    // A tile differs when its hash does; with the same hash, a copy of its cells of two
    // generations back decides, when one is known to hold them; otherwise it counts as
    // differing, and its cells are copied so that two generations on it need not.
    differ_.clear();
    std::uint64_t delta = 0;
    std::int64_t* differedAt = differedAt_[p].data();
    std::int64_t* copiedAt = copiedAt_[p].data();
    std::uint64_t* copies = copies_[p].get();
    for (std::size_t i = 0; i < picked_.size(); ++i) {
        const auto t = static_cast<std::size_t>(picked_[i]);
        const std::uint64_t h = fresh_[i];
        if (h != now[t]) {
            delta += h - now[t];
            now[t] = h;
        } else {
            const std::uint64_t* rows = words + t * kTileRows;
            std::uint64_t* copy = copies + t * kTileRows;
            if (copiedAt[t] > resetAt_ && copiedAt[t] >= differedAt[t] && SameRows(rows, copy)) continue;
            std::memcpy(copy, rows, kTileRows * sizeof(std::uint64_t));
            copiedAt[t] = g;
        }
        differedAt[t] = g;
        differ_.push_back(picked_[i]);
    }
    totals_[p] = total_ = totals_[p] + delta;
    changedBefore_.assign(changed.begin(), changed.end());
    stage_ = Stage::Differences;
}

bool SettleWatch::confirm(std::int64_t g, int period) {
    const std::int64_t target = g - period;
    const Checkpoint* from = nullptr;
    for (const Checkpoint& c : checkpoints_)
        if (c.generation >= 0 && c.generation <= target && (from == nullptr || c.generation > from->generation))
            from = &c;
    if (from == nullptr) return false;
    const Field::Snapshot now = field_.snapshotCells();
    if (from->generation == target) return SameCells(from->cells, now);
    // Run the copy forward to G - P, compare, and put generation G back.
    field_.restoreCells(from->cells);
    for (std::int64_t i = from->generation; i < target; ++i) AdvanceGeneration(field_, rule_);
    const bool same = SameCells(field_.snapshotCells(), now);
    field_.restoreCells(now);
    return same;
}

std::optional<int> SettleWatch::afterStep(std::int64_t g) {
    // The step lists the tiles whose cells it changed; when it cannot vouch for the list (the
    // Field was written otherwise, or it started afresh), every tile is hashed again.
    const StepChanges changes = LastStepChanges(field_);
    if (hashEverything_ || !changes.known || changes.tiles == nullptr || tiles_ == 0)
        hashAll(g);
    else
        hashChanged(*changes.tiles, g);
    // The ring holds generations g - size + 1 .. g - 1 (and g - size in the slot of g): the
    // periods whose hash is the same, smallest first, are confirmed on the cells.
    const auto size = static_cast<std::int64_t>(recent_.size());
    const std::int64_t longest = std::min<std::int64_t>(g, maxPeriod_);
    const std::int64_t slot = g % size;
    candidates_.clear();
    for (std::int64_t i = 0; i < size; ++i)
        if (recent_[static_cast<std::size_t>(i)] == total_) {
            const std::int64_t p = i < slot ? slot - i : slot - i + size;
            if (p >= 1 && p <= longest) candidates_.push_back(static_cast<int>(p));
        }
    std::sort(candidates_.begin(), candidates_.end());
    for (const int p : candidates_)
        if (confirm(g, p)) return p;
    recent_[static_cast<std::size_t>(slot)] = total_;
    if (g % checkpointEvery_ == 0) {
        Checkpoint& slotFor = checkpoints_[static_cast<std::size_t>((g / checkpointEvery_) % static_cast<std::int64_t>(checkpoints_.size()))];
        slotFor.generation = g;
        slotFor.cells = field_.snapshotCells();
    }
    return std::nullopt;
}

}  // namespace gb::cli
