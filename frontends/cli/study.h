// What gridbloom-cli measures while a pattern runs: compact exact copies of the cells for the
// frames of a picture, the statistics rows, and the watch for a Field that repeats an earlier one.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/extent.h"
#include "engine/field.h"
#include "engine/step.h"

namespace gb {
struct Rule;
}  // namespace gb

namespace gb::cli {

// The cells of the Field's live extent, one bit each, row after row (box.width bits a row, no
// padding between rows): the least room an exact copy of a small pattern takes.
struct PackedCells {
    Extent box;
    std::vector<std::uint64_t> bits;

    // Calls f(x0, x1) for every run of live cells x0 .. x1 (inclusive, grid columns) of grid
    // row y within columns left .. right, left to right.
    template <typename F>
    void forEachRun(int y, int left, int right, F&& f) const;
};
// The copy of the cells inside extent (the Field's extent, or found 0 for an empty Field).
PackedCells PackCells(const Field& field, const Extent& extent);

// True when two copies of a Field's cells hold the same cells.
bool SameCells(const Field::Snapshot& a, const Field::Snapshot& b);

// The CSV header and one row: empty extent fields for an empty Field.
inline constexpr const char* kStatsHeader =
    "generation,population,left,top,right,bottom,width,height\n";
std::string StatsRow(std::int64_t generation, std::int64_t population, const Extent& extent);

// Finds the first generation G whose Field equals the Field of G - P for some P from 1 to the
// longest period. Each generation's Field is hashed, tile by tile, and only the tiles the step
// changed are hashed again; an equal hash among the last maxPeriod ones is confirmed on the
// cells by going back to a saved copy of an earlier generation and running it forward to G - P.
class SettleWatch {
public:
    // Starts at generation 0 with the Field as it is.
    SettleWatch(Field& field, const Rule& rule, int maxPeriod);
    // Call after the step to generation g (1, 2, ...): the smallest period P when the Field
    // equals the one of g - P.
    std::optional<int> afterStep(std::int64_t g);

    // Every tile hashed again after each step, for checking the incremental way.
    void hashEverything(bool on) { hashEverything_ = on; }
    // The hash of the latest generation.
    std::uint64_t hash() const { return total_; }

private:
    struct Checkpoint {
        std::int64_t generation = -1;
        Field::Snapshot cells;
    };

    void hashAll(std::int64_t g);
    void hashChanged(const StepChanges& changes, std::int64_t g);
    // Hashes tiles again into hash_[p], whose sum was total.
    void rehash(const std::vector<std::int32_t>& tiles, int p, std::uint64_t total);
    bool confirm(std::int64_t g, int period);

    Field& field_;
    const Rule& rule_;
    int maxPeriod_;
    bool hashEverything_ = false;

    int tilesX_ = 0;
    std::size_t tiles_ = 0;
    // For even and for odd generations, per tile of cells(): the hash of its cells in the latest
    // such generation (0 without a live cell).
    std::vector<std::uint64_t> hash_[2];
    std::uint64_t totals_[2] = {0, 0};  // the sums of hash_
    std::uint64_t total_ = 0;           // the one of the latest generation
    // How much is known: the hashes of the latest generation only (after the Field was written
    // otherwise), or of the two latest.
    enum class Stage { OneGeneration, TwoGenerations } stage_ = Stage::OneGeneration;
    std::vector<std::uint64_t> fresh_;   // scratch
    std::vector<std::uint64_t> recent_;  // hash of generation g at g % recent_.size()
    // How many hashes of recent_ fall in each slot of their top bits: the ring is searched only
    // when the latest hash's slot is not empty.
    static constexpr std::size_t kSeenSlots = std::size_t{1} << 14;
    static std::size_t SeenSlot(std::uint64_t hash) { return static_cast<std::size_t>(hash >> 50); }
    std::vector<std::uint32_t> seen_;
    void remember(std::size_t slot, std::uint64_t hash);
    std::vector<int> candidates_;  // scratch

    std::int64_t checkpointEvery_ = 1;
    std::vector<Checkpoint> checkpoints_;  // the one of generation g at (g / every) % size
};

namespace detail {
// n (1 .. 64) bits of bits[] from bit position pos on, as the low bits of a word.
inline std::uint64_t ReadBits(const std::uint64_t* bits, std::int64_t pos, int n) {
    const auto index = static_cast<std::size_t>(pos >> 6);
    const int off = static_cast<int>(pos & 63);
    std::uint64_t v = bits[index] >> off;
    if (off != 0 && off + n > 64) v |= bits[index + 1] << (64 - off);
    return n == 64 ? v : v & ((std::uint64_t{1} << n) - 1);
}
}  // namespace detail

template <typename F>
void PackedCells::forEachRun(int y, int left, int right, F&& f) const {
    if (!box.found || y < box.top || y > box.bottom) return;
    left = std::max(left, box.left);
    right = std::min(right, box.right);
    if (left > right) return;
    const std::int64_t rowStart = static_cast<std::int64_t>(y - box.top) * box.width - box.left;
    int runStart = -1;
    for (int x = left; x <= right; x += 64) {
        const int n = std::min(64, right - x + 1);
        const std::uint64_t valid = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
        const std::uint64_t w = detail::ReadBits(bits.data(), rowStart + x, n);
        std::uint64_t rest = w;  // live bits not yet given out
        if (runStart >= 0) {
            const std::uint64_t gaps = ~w & valid;
            if (gaps == 0) continue;  // the run goes on into the next word
            const int end = std::countr_zero(gaps);
            f(runStart, x + end - 1);
            runStart = -1;
            rest &= ~std::uint64_t{0} << end;
        }
        while (rest != 0) {
            const int start = std::countr_zero(rest);
            const std::uint64_t gaps = ~w & valid & (~std::uint64_t{0} << start);
            if (gaps == 0) {
                runStart = x + start;
                break;
            }
            const int end = std::countr_zero(gaps);
            f(x + start, x + end - 1);
            rest &= ~std::uint64_t{0} << end;
        }
    }
    if (runStart >= 0) f(runStart, right);
}

}  // namespace gb::cli
