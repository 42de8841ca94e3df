// The AVX2 set: 32 cells per vector, neighbour sums by byte additions, the rule by two table
// look-ups. Built with -mavx2 (cmake/CoreOptions.cmake); called only when the processor has AVX2.
#include "core/step_kernel.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

#include <cstring>

namespace gb::stepk {
namespace {

inline __m256i Load(const std::int8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

struct Vectors {
    __m256i birth;
    __m256i survival;
    __m256i notOne;  // 0xFE in every byte: the bits a code 0 or 1 never has
};

// 32 cells from column x. Returns false (and leaves them) when the sources hold another code.
template <bool Checked>
inline bool Cells32(const std::int8_t* a, const std::int8_t* r, const std::int8_t* b,
                    std::int8_t* out, int x, const Vectors& v, std::uint32_t& changed,
                    std::uint32_t& live) {
    const __m256i aL = Load(a + x - 1), aC = Load(a + x), aR = Load(a + x + 1);
    const __m256i rL = Load(r + x - 1), c = Load(r + x), rR = Load(r + x + 1);
    const __m256i bL = Load(b + x - 1), bC = Load(b + x), bR = Load(b + x + 1);
    if constexpr (Checked) {
        // The shifted loads together cover every byte read.
        const __m256i any = _mm256_or_si256(_mm256_or_si256(_mm256_or_si256(aL, aR),
                                                            _mm256_or_si256(rL, rR)),
                                            _mm256_or_si256(bL, bR));
        if (!_mm256_testz_si256(any, v.notOne)) return false;
    }
    const __m256i s = _mm256_add_epi8(
        _mm256_add_epi8(_mm256_add_epi8(aL, aC), _mm256_add_epi8(aR, rL)),
        _mm256_add_epi8(_mm256_add_epi8(rR, bL), _mm256_add_epi8(bC, bR)));
    const __m256i born = _mm256_shuffle_epi8(v.birth, s);
    const __m256i kept = _mm256_shuffle_epi8(v.survival, s);
    // c is 0 or 1 here, so shifting the words left by 7 puts c into each byte's top bit.
    const __m256i next = _mm256_blendv_epi8(born, kept, _mm256_slli_epi16(c, 7));
    const __m256i zero = _mm256_setzero_si256();
    changed = ~static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(next, c)));
    live = ~static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(next, zero)));
    if (changed != 0) _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), next);
    return true;
}

// One tile of 64 cells from column x (all of them inside the row).
template <bool Checked>
inline int Tile64(const RowRun& run, int x, const Vectors& v, std::uint64_t& mask,
                  std::uint32_t& pop) {
    std::uint32_t c0 = 0, l0 = 0, c1 = 0, l1 = 0;
    const bool ok0 = Cells32<Checked>(run.above, run.row, run.below, run.out, x, v, c0, l0);
    const bool ok1 = Cells32<Checked>(run.above, run.row, run.below, run.out, x + 32, v, c1, l1);
    if (ok0 && ok1) {
        mask |= c0 | (std::uint64_t{c1} << 32);
        pop += static_cast<std::uint32_t>(_mm_popcnt_u32(l0) + _mm_popcnt_u32(l1));
        return 0;
    }
    // Another code somewhere: the whole tile by the reference rule, from the same unchanged
    // sources (a half that already stored wrote exactly what the reference writes).
    std::uint64_t tileMask = 0;
    std::uint32_t tilePop = 0;
    RowRun part = run;
    part.mask = &tileMask;
    part.pop = &tilePop;
    ReferenceCells(part, x, x + kTileWidth, x);
    mask |= tileMask;
    pop += tilePop;
    return 1;
}

template <bool Checked>
int Row(const RowRun& run) {
    const Vectors v{_mm256_broadcastsi128_si256(
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(run.tables->birth))),
                    _mm256_broadcastsi128_si256(
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(run.tables->survival))),
                    _mm256_set1_epi8(static_cast<char>(0xFE))};
    int other = 0;
    int t = 0;
    int x = run.x0;
    for (; x + kTileWidth <= run.x1; x += kTileWidth, ++t)
        other |= Tile64<Checked>(run, x, v, run.mask[t], run.pop[t]);
    if (x < run.x1) {
        // A short last tile: work on copies padded with dead cells, then keep the real part.
        const int n = run.x1 - x;
        alignas(32) std::int8_t a[kTileWidth + 2] = {}, r[kTileWidth + 2] = {},
                                b[kTileWidth + 2] = {}, o[kTileWidth + 2] = {};
        std::memcpy(a, run.above + x - 1, static_cast<std::size_t>(n) + 2);
        std::memcpy(r, run.row + x - 1, static_cast<std::size_t>(n) + 2);
        std::memcpy(b, run.below + x - 1, static_cast<std::size_t>(n) + 2);
        std::memcpy(o, r, sizeof o);
        std::uint64_t mask = 0;
        std::uint32_t pop = 0;
        RowRun local = run;
        local.above = a;
        local.row = r;
        local.below = b;
        local.out = o;
        other |= Tile64<Checked>(local, 1, v, mask, pop);
        // The padding cells may have changed (birth on 0): leave them out of mask and count.
        const std::uint64_t keep = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
        mask &= keep;
        pop = 0;
        for (int k = 0; k < n; ++k) pop += o[1 + k] != 0 ? 1u : 0u;
        std::memcpy(run.out + x, o + 1, static_cast<std::size_t>(n));
        run.mask[t] |= mask;
        run.pop[t] += pop;
    }
    return other;
}

int Avx2Row(const RowRun& run) { return run.checked ? Row<true>(run) : Row<false>(run); }

std::int64_t Avx2Count(const std::int8_t* bytes, std::size_t count) {
    std::int64_t n = 0;
    std::size_t i = 0;
    const __m256i zero = _mm256_setzero_si256();
    for (; i + 32 <= count; i += 32) {
        const auto dead = static_cast<std::uint32_t>(
            _mm256_movemask_epi8(_mm256_cmpeq_epi8(Load(bytes + i), zero)));
        n += 32 - _mm_popcnt_u32(dead);
    }
    for (; i < count; ++i) n += bytes[i] != 0;
    return n;
}

}  // namespace

Kernels Avx2Kernels() { return {Avx2Row, Avx2Count, "avx2"}; }

}  // namespace gb::stepk

#endif
