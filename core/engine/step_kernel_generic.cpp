// The portable set, for processors without the wider sets (and for 64-bit Arm): 16 cells at a
// time in the compiler's generic vectors (SSE2 on any x86-64, NEON on Arm), with the rule as a
// few comparisons: one for each neighbour sum the rule gives a live cell for. The change masks
// are gathered from the comparison bytes by a multiplication. Cells past the last whole vector of
// a row go one at a time.
#include <bit>
#include <cstring>

#include "core/engine/step_kernel.h"

namespace gb::stepk {
namespace {

typedef std::int8_t V16 __attribute__((vector_size(16)));

inline V16 Load(const std::int8_t* p) {
    V16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void Store(std::int8_t* p, V16 v) { std::memcpy(p, &v, sizeof v); }
inline V16 Splat(std::int8_t k) {
    V16 v;
    for (int i = 0; i < 16; ++i) v[i] = k;
    return v;
}

// One bit per byte of v (each 0 or −1), byte 0 in bit 0.
inline std::uint32_t Bits(V16 v) {
    std::uint64_t w[2];
    std::memcpy(w, &v, sizeof w);
    constexpr std::uint64_t kLow = 0x0101010101010101ull, kGather = 0x0102040810204080ull;
    return static_cast<std::uint32_t>(((w[0] & kLow) * kGather) >> 56) |
           static_cast<std::uint32_t>(((w[1] & kLow) * kGather) >> 56) << 8;
}

// The sums (3 × 3, the cell included) for which the rule gives a non-zero cell: for sum t the
// value a dead cell gets (birth) and the one a live cell gets (survival).
struct Sums {
    int count = 0;
    V16 t[10];
    V16 birth[10];
    V16 survival[10];
};

void GenericRun(RunJob& run) {
    const int n = run.x1 - run.x0;
    const int full = n / 16;
    const std::int8_t* table = run.tables->combined;
    Sums sums;
    for (int t = 0; t <= 9; ++t) {
        const std::int8_t birth = table[t], survival = table[16 + t];
        if (birth == 0 && survival == 0) continue;
        sums.t[sums.count] = Splat(static_cast<std::int8_t>(t));
        sums.birth[sums.count] = Splat(birth);
        sums.survival[sums.count] = Splat(survival);
        ++sums.count;
    }
    const V16 zero = Splat(0);
    std::int8_t* a = run.sumA;
    std::int8_t* b = run.sumB;
    const int xv = run.x0 + 16 * full;  // first column after the whole vectors
    if (!run.haveSums) {
        const std::int8_t* first = run.cells + static_cast<std::ptrdiff_t>(run.y0) * run.stride;
        for (int x = run.x0; x < xv; x += 16) {
            Store(a + x, Load(run.above + x - 1) + Load(run.above + x) + Load(run.above + x + 1));
            Store(b + x, Load(first + x - 1) + Load(first + x) + Load(first + x + 1));
        }
        ScalarSums(a, run.above, xv, run.x1);
        ScalarSums(b, first, xv, run.x1);
    }
    CellTotals totals;
    for (int r = 0; r < run.rows; ++r) {
        std::int8_t* row = run.cells + static_cast<std::ptrdiff_t>(run.y0 + r) * run.stride;
        const std::int8_t* down = r == run.rows - 1 ? run.below : row + run.stride;
        std::uint64_t* masks = RowMasks(run, r);
        for (int x = run.x0; x < xv; x += 16) {
            const V16 below = Load(down + x - 1) + Load(down + x) + Load(down + x + 1);
            const V16 t = Load(a + x) + Load(b + x) + below;
            const V16 c = Load(row + x);
            const V16 alive = -c;  // −1 where the cell is live (c is 0 or 1)
            V16 next = zero;
            for (int k = 0; k < sums.count; ++k) {
                const V16 value =
                    sums.birth[k] ^ ((sums.birth[k] ^ sums.survival[k]) & alive);
                next |= (t == sums.t[k]) & value;
            }
            Store(a + x, below);
            const std::uint32_t changed = Bits(next != c);
            const std::uint32_t live = Bits(next != zero);
            if (run.countLive) totals.live += std::popcount(live);
            if (changed == 0) continue;
            Store(row + x, next);
            const int k = x - run.x0;
            masks[k >> 6] |= std::uint64_t{changed} << (k & 63);
            totals.births += std::popcount(changed & live);
            totals.changes += std::popcount(changed);
        }
        ScalarRow(run, row, down, a, b, masks, xv, run.x1, totals);
        std::int8_t* swap = a;
        a = b;
        b = swap;
    }
    run.populationChange += 2 * totals.births - totals.changes;
    if (run.countLive) run.live += totals.live;
}

std::int64_t GenericCount(const std::int8_t* bytes, std::size_t count) {
    std::int64_t n = 0;
    for (std::size_t i = 0; i < count; ++i) n += bytes[i] != 0;
    return n;
}

bool GenericOther(const std::int8_t* bytes, std::size_t count) {
    // Eight bytes at a time: a 0 or 1 byte has no bit above the lowest.
    constexpr std::uint64_t kHigh = 0xFEFEFEFEFEFEFEFEull;
    std::uint64_t acc = 0;
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, bytes + i, 8);
        acc |= w;
    }
    for (; i < count; ++i) acc |= static_cast<std::uint8_t>(bytes[i]);
    return (acc & kHigh) != 0;
}

}  // namespace

Kernels GenericKernels() { return {GenericRun, GenericCount, GenericOther, "generic"}; }

}  // namespace gb::stepk
