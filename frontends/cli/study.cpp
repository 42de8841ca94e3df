#include "frontends/cli/study.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/engine/cell_grid.h"
#include "core/engine/field.h"
#include "core/engine/rule.h"
#include "core/engine/step.h"
#include "core/engine/tile_hash.h"

namespace gb::cli {

namespace {

constexpr int kTileRows = CellGrid::kTileHeight;

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
    picked_.resize(tiles_);
    differ_.resize(tiles_);
    hashAll(0);
    recent_.assign(static_cast<std::size_t>(maxPeriod) + 1, 0);
    recent_[0] = total_;
    // Copies every maxPeriod / 8 generations reach back past any G - P with a replay of at most
    // that many generations.
    checkpointEvery_ = std::max<std::int64_t>(1, (maxPeriod + 7) / 8);
    checkpoints_.resize(static_cast<std::size_t>(maxPeriod / checkpointEvery_ + 3));
    checkpoints_[0].generation = 0;
    field.snapshotCells(checkpoints_[0].cells);
}

void SettleWatch::hashAll(std::int64_t g) {
    const int p = static_cast<int>(g & 1);
    std::fill(hash_[p].begin(), hash_[p].end(), std::uint64_t{0});
    std::uint64_t total = 0;
    if (tiles_ != 0) {
        const CellGrid& cells = field_.cells();
        cells.forEachLiveTile([&](int tx, int ty) {
            const std::int32_t t = ty * tilesX_ + tx;
            hash_[p][static_cast<std::size_t>(t)] = HashTile(cells, t);
            total += hash_[p][static_cast<std::size_t>(t)];
        });
    }
    totals_[p] = total_ = total;
    // Nothing said before about the cells can be used any more.
    stage_ = Stage::OneGeneration;
    resetAt_ = g;
    changedBefore_.clear();
    differCount_ = 0;
}

void SettleWatch::hashChanged(const std::vector<std::int32_t>& changed, std::int64_t g) {
    const int p = static_cast<int>(g & 1);
    std::uint64_t* now = hash_[p].data();
    const std::uint64_t* before = hash_[p ^ 1].data();
    const CellGrid& cells = field_.cells();
    const std::size_t count = changed.size();
    fresh_.resize(std::max(count, picked_.size()));
    if (stage_ == Stage::OneGeneration) {
        // The hashes of the generation before, and the tiles that changed since hashed again.
        hash_[p] = hash_[p ^ 1];
        now = hash_[p].data();
        HashTiles(cells, changed.data(), count, fresh_.data());
        std::uint64_t total = totals_[p ^ 1];
        for (std::size_t i = 0; i < count; ++i) {
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
    // that differed, a generation ago, from two generations before that. So oscillators of
    // period two away from anything else are never looked at.
    std::int64_t* const pickedAt = pickedAt_.data();
    std::int32_t* const differ = differ_.data();
    std::size_t differs = 0;
    std::uint64_t delta = 0;
    std::int32_t* const look = picked_.data();
    std::size_t looks = 0;
    if (stage_ == Stage::Differences && 9 * differCount_ < tiles_) {
        // The tiles next to one that differed a generation ago (this takes in the tiles that
        // changed in the step before and not in this one, which differ from two back too).
        const auto last = static_cast<std::int32_t>(tiles_) - 1;
        for (std::size_t i = 0; i < differCount_; ++i)
            for (const std::int32_t row : {differ[i] - tilesX_, differ[i], differ[i] + tilesX_})
                for (std::int32_t t = std::max(row - 1, 0), end = std::min(row + 1, last); t <= end; ++t)
                    if (pickedAt[t] != g) {
                        pickedAt[t] = g;
                        look[looks++] = t;
                    }
    } else {
        // The tiles the step changed; those that changed in the step before and not in this
        // one hold the cells of a generation ago, which differ from the ones before.
        for (const std::int32_t t : changed) {
            pickedAt[t] = g;
            look[looks++] = t;
        }
        for (const std::int32_t t : changedBefore_)
            if (pickedAt[t] != g) {
                const auto ti = static_cast<std::size_t>(t);
                delta += before[ti] - now[ti];
                now[ti] = before[ti];
                differedAt_[p][ti] = g;
                differ[differs++] = t;
            }
    }
    fresh_.resize(std::max(fresh_.size(), looks));
    HashTiles(cells, look, looks, fresh_.data());
    // A tile differs when its hash does; with the same hash, a copy of its cells of two
    // generations back decides, when one is known to hold them; otherwise it counts as
    // differing, and its cells are copied so that two generations on it need not. (Two passes,
    // so that the first has no branch to guess and the second can read the copies ahead.)
    std::int64_t* const differedAt = differedAt_[p].data();
    std::int64_t* const copiedAt = copiedAt_[p].data();
    std::uint64_t* const copies = copies_[p].get();
    const std::uint64_t* const fresh = fresh_.data();
    std::int32_t* const same = look;  // the tiles of equal hash, written behind the reading
    std::size_t sames = 0;
    for (std::size_t i = 0; i < looks; ++i) {
        const std::int32_t t = look[i];
        const auto ti = static_cast<std::size_t>(t);
        const std::uint64_t h = fresh[i];
        const bool equal = h == now[ti];
        delta += h - now[ti];
        now[ti] = h;
        differ[differs] = t;
        same[sames] = t;
        differs += equal ? 0 : 1;
        sames += equal ? 1 : 0;
        differedAt[ti] = equal ? differedAt[ti] : g;
    }
    // Where the tiles of a different hash alone leave almost no tile away from them, proving
    // the others unchanged would save nothing: they count as differing.
    if (9 * differs >= tiles_) {
        for (std::size_t i = 0; i < sames; ++i) {
            differedAt[same[i]] = g;
            differ[differs++] = same[i];
        }
        sames = 0;
    }
    for (std::size_t i = 0; i < sames; ++i) {
        const auto t = static_cast<std::size_t>(same[i]);
        if (i + 4 < sames) {
            const std::uint64_t* ahead = copies + static_cast<std::size_t>(same[i + 4]) * kTileRows;
            __builtin_prefetch(ahead);
            __builtin_prefetch(ahead + 8);
        }
        std::uint64_t* copy = copies + t * kTileRows;
        if (copiedAt[t] > resetAt_ && copiedAt[t] >= differedAt[t] && cells.sameTile(static_cast<int>(t), copy)) continue;
        cells.copyTile(static_cast<int>(t), copy);
        copiedAt[t] = differedAt[t] = g;
        differ[differs++] = same[i];
    }
    differCount_ = differs;
    totals_[p] = total_ = totals_[p] + delta;
    // The next step looks at the changed tiles only when too many differ now to look around them.
    if (9 * differs >= tiles_) changedBefore_.assign(changed.begin(), changed.end());
    stage_ = Stage::Differences;
}

bool SettleWatch::confirm(std::int64_t g, int period) {
    const std::int64_t target = g - period;
    const Checkpoint* from = nullptr;
    for (const Checkpoint& c : checkpoints_)
        if (c.generation >= 0 && c.generation <= target && (from == nullptr || c.generation > from->generation))
            from = &c;
    if (from == nullptr) return false;
    Field::Snapshot now;
    field_.snapshotCells(now);
    if (from->generation == target) return SameCells(from->cells, now);
    // Run the copy forward to G - P, compare, and put generation G back.
    field_.restoreCells(from->cells);
    for (std::int64_t i = from->generation; i < target; ++i) AdvanceGeneration(field_, rule_);
    Field::Snapshot then;
    field_.snapshotCells(then);
    const bool same = SameCells(then, now);
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
    std::size_t hits = 0;
    for (const std::uint64_t h : recent_) hits += h == total_ ? 1 : 0;
    if (hits != 0)
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
        field_.snapshotCells(slotFor.cells);
    }
    return std::nullopt;
}

}  // namespace gb::cli
