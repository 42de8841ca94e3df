// The AVX2 set: 32 cells per instruction, walking a run row by row like the AVX-512 set. The rule
// is two table look-ups and a blend. A row whose width is not a multiple of 32 ends with one
// vector flush with the run's end, overlapping the one before it: it is computed before the row's
// other vectors (while its cells are still the old ones) and stored after them, so every load
// stays inside the run's columns. Built with -mavx2 (cmake/CoreOptions.cmake); called only when
// the processor has AVX2.
#include "core/engine/step_kernel.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

namespace gb::stepk {
namespace {

inline __m256i Load(const std::int8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void Store(std::int8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}
inline std::uint32_t Bits(__m256i v) { return static_cast<std::uint32_t>(_mm256_movemask_epi8(v)); }

struct Tables {
    __m256i birth;
    __m256i survival;
    __m256i zero;
};

// 32 cells of one row: the new cells, the new sums of the row below and the changed columns.
struct Vector32 {
    __m256i next;
    __m256i sums;
    std::uint32_t changed;
};

inline Vector32 Compute(const std::int8_t* down, const std::int8_t* row, const std::int8_t* a,
                        const std::int8_t* b, const Tables& v) {
    Vector32 out;
    out.sums = _mm256_add_epi8(_mm256_add_epi8(Load(down - 1), Load(down)), Load(down + 1));
    const __m256i t = _mm256_add_epi8(_mm256_add_epi8(Load(a), Load(b)), out.sums);
    const __m256i c = Load(row);
    const __m256i born = _mm256_shuffle_epi8(v.birth, t);
    const __m256i kept = _mm256_shuffle_epi8(v.survival, t);
    // c is 0 or 1 here, so shifting the words left by 7 puts c into each byte's top bit.
    out.next = _mm256_blendv_epi8(born, kept, _mm256_slli_epi16(c, 7));
    out.changed = ~Bits(_mm256_cmpeq_epi8(out.next, c));
    return out;
}

inline std::uint32_t LiveBits(__m256i next, const Tables& v) {
    return ~Bits(_mm256_cmpeq_epi8(next, v.zero));
}

inline void OrBits(std::uint64_t* masks, int k, std::uint32_t bits) {
    masks[k >> 6] |= std::uint64_t{bits} << (k & 63);
    if ((k & 63) > 32) masks[(k >> 6) + 1] |= std::uint64_t{bits} >> (64 - (k & 63));
}

struct Totals {
    std::int64_t births = 0, changes = 0, live = 0;
};

template <bool Count>
inline void Finish(const Vector32& v, const Tables& t, std::uint32_t counted, Totals& totals) {
    if constexpr (Count) totals.live += __builtin_popcount(LiveBits(v.next, t) & counted);
    const std::uint32_t changed = v.changed & counted;
    if (changed != 0) {
        totals.births += __builtin_popcount(LiveBits(v.next, t) & changed);
        totals.changes += __builtin_popcount(changed);
    }
}

template <bool Count>
void Run(RunJob& run) {
    const int n = run.x1 - run.x0;
    if (n < 32) {
        ScalarColumns(run, run.x0, run.x1);
        return;
    }
    const int full = n / 32;
    const int rest = n % 32;
    const int tail = n - 32;  // offset of the closing vector when rest != 0
    const Tables tables{_mm256_broadcastsi128_si256(
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(run.tables->birth9))),
                        _mm256_broadcastsi128_si256(_mm_loadu_si128(
                            reinterpret_cast<const __m128i*>(run.tables->survival9))),
                        _mm256_setzero_si256()};
    std::int8_t* a = run.sumA + run.x0;
    std::int8_t* b = run.sumB + run.x0;
    if (!run.haveSums) {
        const std::int8_t* up = run.above + run.x0;
        const std::int8_t* first =
            run.cells + static_cast<std::ptrdiff_t>(run.y0) * run.stride + run.x0;
        const auto sum3 = [](const std::int8_t* p) {
            return _mm256_add_epi8(_mm256_add_epi8(Load(p - 1), Load(p)), Load(p + 1));
        };
        // The closing vector first: the others then overwrite its overlap with the same sums.
        if (rest != 0) {
            Store(a + tail, sum3(up + tail));
            Store(b + tail, sum3(first + tail));
        }
        for (int i = 0; i < full; ++i) {
            Store(a + 32 * i, sum3(up + 32 * i));
            Store(b + 32 * i, sum3(first + 32 * i));
        }
    }
    Totals totals;
    const std::uint32_t all32 = ~std::uint32_t{0};
    const std::uint32_t restBits = rest != 0 ? all32 << (32 - rest) : 0;
    for (int r = 0; r < run.rows; ++r) {
        std::int8_t* row = run.cells + static_cast<std::ptrdiff_t>(run.y0 + r) * run.stride + run.x0;
        const std::int8_t* down = r == run.rows - 1 ? run.below + run.x0 : row + run.stride;
        std::uint64_t* masks = RowMasks(run, r);
        Vector32 closing{};
        if (rest != 0) closing = Compute(down + tail, row + tail, a + tail, b + tail, tables);
        for (int i = 0; i < full; ++i) {
            const Vector32 v = Compute(down + 32 * i, row + 32 * i, a + 32 * i, b + 32 * i, tables);
            Store(a + 32 * i, v.sums);
            if (v.changed != 0) {
                Store(row + 32 * i, v.next);
                OrBits(masks, 32 * i, v.changed);
            }
            Finish<Count>(v, tables, all32, totals);
        }
        if (rest != 0) {
            Store(a + tail, closing.sums);
            if (closing.changed != 0) {
                Store(row + tail, closing.next);
                OrBits(masks, tail, closing.changed);
            }
            // Only the columns the other vectors did not cover count here.
            Finish<Count>(closing, tables, restBits, totals);
        }
        std::int8_t* swap = a;
        a = b;
        b = swap;
    }
    run.populationChange += 2 * totals.births - totals.changes;
    if constexpr (Count) run.live += totals.live;
}

void Avx2Run(RunJob& run) {
    if (run.countLive)
        Run<true>(run);
    else
        Run<false>(run);
}

std::int64_t Avx2Count(const std::int8_t* bytes, std::size_t count) {
    std::int64_t n = 0;
    std::size_t i = 0;
    const __m256i zero = _mm256_setzero_si256();
    for (; i + 32 <= count; i += 32) n += 32 - __builtin_popcount(Bits(_mm256_cmpeq_epi8(Load(bytes + i), zero)));
    for (; i < count; ++i) n += bytes[i] != 0;
    return n;
}

bool Avx2Other(const std::int8_t* bytes, std::size_t count) {
    __m256i acc = _mm256_setzero_si256();
    std::size_t i = 0;
    for (; i + 32 <= count; i += 32) acc = _mm256_or_si256(acc, Load(bytes + i));
    int rest = 0;
    for (; i < count; ++i) rest |= static_cast<std::uint8_t>(bytes[i]);
    return !_mm256_testz_si256(acc, _mm256_set1_epi8(static_cast<char>(0xFE))) || (rest & 0xFE) != 0;
}

}  // namespace

Kernels Avx2Kernels() { return {Avx2Run, Avx2Count, Avx2Other, "avx2"}; }

}  // namespace gb::stepk

#endif
