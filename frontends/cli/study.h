// What gridbloom-cli measures while a pattern runs: the extent found quickly, compact exact
// copies of a Field, the statistics rows, and the watch for a Field that repeats an earlier one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/engine/extent.h"

namespace gb {
struct Field;
struct Rule;
}  // namespace gb

namespace gb::cli {

// The extent of plane 0, the same box as FieldExtent gives, found row by row: whole rows are
// passed over only where nothing lives, and a row is read only up to the box found so far.
Extent QuickExtent(const Field& field);
// The same within the grid box [x0, x1] × [y0, y1] (clipped to the grid), for a Field known to
// have no live cell outside it.
Extent QuickExtentWithin(const Field& field, int x0, int y0, int x1, int y1);

// The extent of a running Field without reading all of it: live cells are either where the last
// extent found them or in tiles the step marked as changed since, so only that box is read.
class ExtentWatch {
public:
    // Call after each step.
    void afterStep(const Field& field);
    // The extent now.
    Extent extent(const Field& field);

private:
    bool bounded_ = false;  // box_ holds every live cell (an empty box_: none)
    Extent box_;
};

// The cells of plane 0 exactly, in little room: one bit for each cell of the live extent (set
// for a non-zero byte), and apart the few cells whose byte is neither 0 nor 1.
struct Snapshot {
    Extent box;
    int gridWidth = 0;
    std::vector<std::uint64_t> bits;
    std::vector<std::pair<std::int64_t, std::int8_t>> others;  // grid index, byte

    bool live(int x, int y) const;  // grid coordinates; false outside the box
};
Snapshot TakeSnapshot(const Field& field);
// The same when the extent is known already.
Snapshot TakeSnapshot(const Field& field, const Extent& extent);
bool SameCells(const Snapshot& a, const Snapshot& b);
// Puts the snapshot's cells back into plane 0 (everything else dead) and notes the write.
void RestoreSnapshot(Field& field, const Snapshot& snapshot);

// The CSV header and one row: empty extent fields for an empty Field.
inline constexpr const char* kStatsHeader = "generation,population,left,top,right,bottom,width,height\n";
std::string StatsRow(std::int64_t generation, std::int64_t population, const Extent& extent);

// Finds the first generation G whose Field equals the Field of G - P for some P from 1 to the
// longest period. Each generation's Field is hashed (only the tiles the step may have changed
// are hashed again); an equal hash among the last maxPeriod ones is confirmed on the cells by
// going back to a saved copy of an earlier generation and running it forward to G - P.
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
        Snapshot cells;
    };

    void hashAll();
    void rehashChanged();
    // Hashes again the tiles tx[0 .. tiles) of a band, in increasing order.
    void rehashBand(int band, const int* tx, int tiles);
    std::uint64_t tileHash(const std::uint64_t* rowBits, int rows, std::size_t tile) const;
    bool confirm(std::int64_t g, int period);

    Field& field_;
    const Rule& rule_;
    int maxPeriod_;
    bool hashEverything_ = false;

    int tilesX_ = 0, bands_ = 0;
    std::vector<std::uint64_t> tileHash_, tileKey_;
    std::vector<int> tiles_;               // the tiles of one band being hashed
    std::vector<std::uint64_t> rowBits_;   // their row words
    std::uint64_t total_ = 0;
    std::vector<std::uint64_t> recent_;  // hash of generation g at g % recent_.size()

    std::int64_t checkpointEvery_ = 1;
    std::vector<Checkpoint> checkpoints_;  // the one of generation g at (g / every) % size
};

}  // namespace gb::cli
