// The AVX-512 set (BW and VBMI): 64 cells, one tile's width, per instruction. A run goes row by
// row; each row reads the row below it once (three loads giving its sums of three), takes the
// sums of the two rows above from the work rows, and finds the new cell with one byte permute of
// the 64-entry table. Masked loads and stores take care of a short last tile, so nothing outside
// the run's columns is touched. Built with the AVX-512 flags (cmake/CoreOptions.cmake); called
// only when the processor has them.
#include "core/engine/step_kernel.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

namespace gb::stepk {
namespace {

inline __m512i Sum3(const std::int8_t* p, __mmask64 m) {
    const __m512i l = _mm512_maskz_loadu_epi8(m, p - 1);
    const __m512i c = _mm512_maskz_loadu_epi8(m, p);
    const __m512i r = _mm512_maskz_loadu_epi8(m, p + 1);
    return _mm512_add_epi8(_mm512_add_epi8(l, c), r);
}

// Counters of one run. With tables of 0 and 1 the new and the old cells of every vector are
// simply added up bytewise (at most 255 vectors before they are folded into 64-bit sums); other
// tables count births and changes with masks.
// The sum of the eight 64-bit lanes.
inline std::int64_t Lanes(__m512i v) {
    alignas(64) std::int64_t lanes[8];
    _mm512_store_si512(lanes, v);
    std::int64_t sum = 0;
    for (const std::int64_t lane : lanes) sum += lane;
    return sum;
}

struct Totals {
    __m512i next = _mm512_setzero_si512();
    __m512i old = _mm512_setzero_si512();
    __m512i nextSum = _mm512_setzero_si512();  // 64-bit lanes
    __m512i oldSum = _mm512_setzero_si512();
    int added = 0;  // vectors in the byte counters
    std::int64_t births = 0, changes = 0, live = 0;

    void Fold() {
        const __m512i zero = _mm512_setzero_si512();
        nextSum = _mm512_add_epi64(nextSum, _mm512_sad_epu8(next, zero));
        oldSum = _mm512_add_epi64(oldSum, _mm512_sad_epu8(old, zero));
        next = zero;
        old = zero;
        added = 0;
    }
};

// 64 (or, masked, fewer) cells of one row.
template <bool ZeroOne, bool Count>
inline void Cells(const std::int8_t* down, std::int8_t* row, std::int8_t* a, const std::int8_t* b,
                  __m512i table, __mmask64 m, std::uint64_t* mask, Totals& totals) {
    const __m512i n = Sum3(down, m);
    const __m512i t = _mm512_add_epi8(
        _mm512_add_epi8(_mm512_maskz_loadu_epi8(m, a), _mm512_maskz_loadu_epi8(m, b)), n);
    const __m512i c = _mm512_maskz_loadu_epi8(m, row);
    // c is 0 or 1, so shifting the 16-bit words left by 4 gives 16 c in every byte. (The
    // zero-masked permute: GCC 12's plain one reads an undefined register it then warns about.)
    const __m512i next =
        _mm512_maskz_permutexvar_epi8(m, _mm512_add_epi8(t, _mm512_slli_epi16(c, 4)), table);
    _mm512_mask_storeu_epi8(a, m, n);
    const __mmask64 changed = _mm512_mask_cmpneq_epi8_mask(m, next, c);
    *mask |= changed;
    if (changed != 0) _mm512_mask_storeu_epi8(row, m, next);
    if constexpr (ZeroOne) {
        if (totals.added == 255) totals.Fold();
        ++totals.added;
        totals.next = _mm512_add_epi8(totals.next, next);
        totals.old = _mm512_add_epi8(totals.old, c);
    } else {
        if constexpr (Count)
            totals.live += _mm_popcnt_u64(_mm512_mask_test_epi8_mask(m, next, next));
        totals.births += _mm_popcnt_u64(_mm512_mask_test_epi8_mask(changed, next, next));
        totals.changes += _mm_popcnt_u64(changed);
    }
}

template <bool ZeroOne, bool Count>
void Run(RunJob& run) {
    const int n = run.x1 - run.x0;
    const int full = n / 64;
    const int rest = n % 64;
    const __mmask64 every = ~__mmask64{0};
    const __mmask64 restMask = rest != 0 ? every >> (64 - rest) : 0;
    const __m512i table = _mm512_load_si512(run.tables->combined);
    std::int8_t* a = run.sumA + run.x0;
    std::int8_t* b = run.sumB + run.x0;
    if (!run.haveSums) {
        const std::int8_t* up = run.above + run.x0;
        const std::int8_t* first = run.cells + static_cast<std::ptrdiff_t>(run.y0) * run.stride + run.x0;
        for (int i = 0; i < full; ++i) {
            _mm512_storeu_si512(a + 64 * i, Sum3(up + 64 * i, every));
            _mm512_storeu_si512(b + 64 * i, Sum3(first + 64 * i, every));
        }
        if (rest != 0) {
            _mm512_mask_storeu_epi8(a + 64 * full, restMask, Sum3(up + 64 * full, restMask));
            _mm512_mask_storeu_epi8(b + 64 * full, restMask, Sum3(first + 64 * full, restMask));
        }
    }
    Totals totals;
    for (int r = 0; r < run.rows; ++r) {
        std::int8_t* row = run.cells + static_cast<std::ptrdiff_t>(run.y0 + r) * run.stride + run.x0;
        const std::int8_t* down = r == run.rows - 1 ? run.below + run.x0 : row + run.stride;
        std::uint64_t* masks = RowMasks(run, r);
        for (int i = 0; i < full; ++i)
            Cells<ZeroOne, Count>(down + 64 * i, row + 64 * i, a + 64 * i, b + 64 * i, table,
                                  every, masks + i, totals);
        if (rest != 0)
            Cells<ZeroOne, Count>(down + 64 * full, row + 64 * full, a + 64 * full, b + 64 * full,
                                  table, restMask, masks + full, totals);
        std::int8_t* swap = a;
        a = b;
        b = swap;
    }
    if constexpr (ZeroOne) {
        totals.Fold();
        const std::int64_t now = Lanes(totals.nextSum);
        run.populationChange += now - Lanes(totals.oldSum);
        if constexpr (Count) run.live += now;
    } else {
        run.populationChange += 2 * totals.births - totals.changes;
        if constexpr (Count) run.live += totals.live;
    }
}

void Avx512Run(RunJob& run) {
    if (run.zeroOneTables) {
        if (run.countLive)
            Run<true, true>(run);
        else
            Run<true, false>(run);
    } else if (run.countLive) {
        Run<false, true>(run);
    } else {
        Run<false, false>(run);
    }
}
std::int64_t Avx512Count(const std::int8_t* bytes, std::size_t count) {
    std::int64_t n = 0;
    std::size_t i = 0;
    for (; i + 64 <= count; i += 64) {
        const __m512i v = _mm512_loadu_si512(bytes + i);
        n += _mm_popcnt_u64(_mm512_test_epi8_mask(v, v));
    }
    if (i < count) {
        const __mmask64 m = ~__mmask64{0} >> (64 - (count - i));
        const __m512i v = _mm512_maskz_loadu_epi8(m, bytes + i);
        n += _mm_popcnt_u64(_mm512_test_epi8_mask(v, v));
    }
    return n;
}

bool Avx512Other(const std::int8_t* bytes, std::size_t count) {
    __m512i acc = _mm512_setzero_si512();
    std::size_t i = 0;
    for (; i + 64 <= count; i += 64) acc = _mm512_or_si512(acc, _mm512_loadu_si512(bytes + i));
    if (i < count)
        acc = _mm512_or_si512(
            acc, _mm512_maskz_loadu_epi8(~__mmask64{0} >> (64 - (count - i)), bytes + i));
    return _mm512_test_epi8_mask(acc, _mm512_set1_epi8(static_cast<char>(0xFE))) != 0;
}

}  // namespace

Kernels Avx512Kernels() { return {Avx512Run, Avx512Count, Avx512Other, "avx512"}; }

}  // namespace gb::stepk

#endif
