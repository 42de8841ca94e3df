#include "frontends/cli/study.h"

#include <algorithm>
#include <bit>

#include "engine/cell_grid.h"
#include "engine/field.h"
#include "engine/rule.h"
#include "engine/step.h"
#include "engine/tile_hash.h"

namespace gb::cli {

namespace {

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
            std::uint64_t v = g.bitsAt(x, y);
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
        for (int v : {e.left, e.top, e.right, e.bottom, e.width, e.height})
            row += ',' + std::to_string(v);
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
    for (int p = 0; p < 2; ++p) hash_[p].assign(tiles_, 0);
    hashAll(0);
    recent_.assign(static_cast<std::size_t>(maxPeriod) + 1, 0);
    seen_.assign(kSeenSlots, 0);
    seen_[SeenSlot(0)] = static_cast<std::uint32_t>(recent_.size());  // the zeros of the empty ring
    remember(0, total_);
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
    // The hashes of the generation before are not known.
    stage_ = Stage::OneGeneration;
}

void SettleWatch::rehash(const std::vector<std::int32_t>& tiles, int p, std::uint64_t total) {
    fresh_.resize(tiles.size());
    HashTiles(field_.cells(), tiles.data(), tiles.size(), fresh_.data());
    std::uint64_t* const now = hash_[p].data();
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const auto t = static_cast<std::size_t>(tiles[i]);
        total += fresh_[i] - now[t];
        now[t] = fresh_[i];
    }
    totals_[p] = total_ = total;
}

void SettleWatch::hashChanged(const StepChanges& changes, std::int64_t g) {
    const int p = static_cast<int>(g & 1);
    if (stage_ == Stage::OneGeneration) {
        // The hashes of the generation before, and the tiles that changed since hashed again.
        hash_[p] = hash_[p ^ 1];
        rehash(*changes.tiles, p, totals_[p ^ 1]);
        stage_ = Stage::TwoGenerations;
        return;
    }
    // hash_[p] holds the hashes of generation g - 2: only the tiles whose cells differ from then
    // are hashed again, which leaves oscillators of period two away from anything else alone.
    rehash(*changes.fromTwoBack, p, totals_[p]);
}

bool SettleWatch::confirm(std::int64_t g, int period) {
    const std::int64_t target = g - period;
    const Checkpoint* from = nullptr;
    for (const Checkpoint& c : checkpoints_)
        if (c.generation >= 0 && c.generation <= target &&
            (from == nullptr || c.generation > from->generation))
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

void SettleWatch::remember(std::size_t slot, std::uint64_t hash) {
    --seen_[SeenSlot(recent_[slot])];
    recent_[slot] = hash;
    ++seen_[SeenSlot(hash)];
}

std::optional<int> SettleWatch::afterStep(std::int64_t g) {
    // The step lists the tiles whose cells it changed; when it cannot vouch for the list (the
    // Field was written otherwise, or it started afresh), every tile is hashed again.
    const StepChanges changes = LastStepChanges(field_);
    if (hashEverything_ || !changes.known || changes.tiles == nullptr ||
        changes.fromTwoBack == nullptr || tiles_ == 0)
        hashAll(g);
    else
        hashChanged(changes, g);
    // The ring holds generations g - size + 1 .. g - 1 (and g - size in the slot of g): the
    // periods whose hash is the same, smallest first, are confirmed on the cells.
    const auto size = static_cast<std::int64_t>(recent_.size());
    const std::int64_t longest = std::min<std::int64_t>(g, maxPeriod_);
    const std::int64_t slot = g % size;
    candidates_.clear();
    if (seen_[SeenSlot(total_)] != 0)
        for (std::int64_t i = 0; i < size; ++i)
            if (recent_[static_cast<std::size_t>(i)] == total_) {
                const std::int64_t p = i < slot ? slot - i : slot - i + size;
                if (p >= 1 && p <= longest) candidates_.push_back(static_cast<int>(p));
            }
    std::sort(candidates_.begin(), candidates_.end());
    for (const int p : candidates_)
        if (confirm(g, p)) return p;
    remember(static_cast<std::size_t>(slot), total_);
    if (g % checkpointEvery_ == 0) {
        Checkpoint& slotFor = checkpoints_[static_cast<std::size_t>(
            (g / checkpointEvery_) % static_cast<std::int64_t>(checkpoints_.size()))];
        slotFor.generation = g;
        field_.snapshotCells(slotFor.cells);
    }
    return std::nullopt;
}

}  // namespace gb::cli
