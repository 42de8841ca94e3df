// The AVX2 set. A tile is two strips of 32 columns; each strip walks down the band keeping the
// sums of three neighbouring cells of the rows above, at and below the current one in registers,
// so every source byte is loaded about three times per band instead of nine. The rule is two
// table look-ups. Built with -mavx2 (cmake/CoreOptions.cmake); called only when the processor has
// AVX2.
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

struct Strip {
    std::uint32_t all = 0, first = 0, last = 0;
    std::uint32_t live = 0;
};

// 32 columns from src (the row above the band, at the strip's first column) down `rows` rows,
// written from out. lanes: 0xFF for the columns that count. Returns false, having stored only
// correct values, when the sources hold another code.
template <bool Checked>
inline bool Strip32(const std::int8_t* src, std::ptrdiff_t stride, std::int8_t* out,
                    std::ptrdiff_t outStride, int rows, const Vectors& v, __m256i lanes,
                    Strip& res) {
    const __m256i aL = Load(src - 1), aC = Load(src), aR = Load(src + 1);
    const __m256i mL = Load(src + stride - 1), mR = Load(src + stride + 1);
    __m256i c = Load(src + stride);
    if constexpr (Checked) {
        const __m256i any = _mm256_or_si256(_mm256_or_si256(aL, aR), _mm256_or_si256(mL, mR));
        if (!_mm256_testz_si256(any, v.notOne)) return false;
    }
    __m256i above = _mm256_add_epi8(_mm256_add_epi8(aL, aC), aR);
    __m256i side = _mm256_add_epi8(mL, mR);
    __m256i here = _mm256_add_epi8(side, c);
    const __m256i zero = _mm256_setzero_si256();
    __m256i zeros = zero;
    std::uint32_t all = 0;
    const std::int8_t* p = src + 2 * stride;
    for (int r = 0; r < rows; ++r, p += stride, out += outStride) {
        const __m256i nL = Load(p - 1), nC = Load(p), nR = Load(p + 1);
        if constexpr (Checked) {
            if (!_mm256_testz_si256(_mm256_or_si256(nL, nR), v.notOne)) return false;
        }
        const __m256i nSide = _mm256_add_epi8(nL, nR);
        const __m256i below = _mm256_add_epi8(nSide, nC);
        const __m256i s = _mm256_add_epi8(_mm256_add_epi8(above, side), below);
        const __m256i born = _mm256_shuffle_epi8(v.birth, s);
        const __m256i kept = _mm256_shuffle_epi8(v.survival, s);
        // c is 0 or 1 here, so shifting the words left by 7 puts c into each byte's top bit.
        const __m256i next = _mm256_blendv_epi8(born, kept, _mm256_slli_epi16(c, 7));
        const auto changed =
            ~static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(next, c)));
        if (changed != 0) _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), next);
        if (r == 0) res.first = changed;
        res.last = changed;
        all |= changed;
        zeros = _mm256_sub_epi8(zeros, _mm256_and_si256(_mm256_cmpeq_epi8(next, zero), lanes));
        above = here;
        side = nSide;
        here = below;
        c = nC;
    }
    res.all = all;
    // zeros holds at most 16 per byte; the byte sums give the dead cells that count.
    const __m256i sums = _mm256_sad_epu8(zeros, zero);
    const auto dead = static_cast<std::uint32_t>(
        _mm256_extract_epi64(sums, 0) + _mm256_extract_epi64(sums, 1) +
        _mm256_extract_epi64(sums, 2) + _mm256_extract_epi64(sums, 3));
    const auto counted = static_cast<std::uint32_t>(
        __builtin_popcount(static_cast<std::uint32_t>(_mm256_movemask_epi8(lanes))));
    res.live = counted * static_cast<std::uint32_t>(rows) - dead;
    return true;
}

// One tile of 64 columns from column x of a source with the given stride. Returns false when
// the tile needs the reference rule.
template <bool Checked>
inline bool Tile64(const std::int8_t* src, std::ptrdiff_t stride, std::int8_t* out,
                   std::ptrdiff_t outStride, int rows, const Vectors& v, __m256i lanesLow,
                   __m256i lanesHigh, Strip& low, Strip& high) {
    return Strip32<Checked>(src, stride, out, outStride, rows, v, lanesLow, low) &&
           Strip32<Checked>(src + 32, stride, out + 32, outStride, rows, v, lanesHigh, high);
}

inline void Combine(const Strip& low, const Strip& high, std::uint64_t keep, const BandRun& run,
                    int t) {
    run.all[t] = (low.all | (std::uint64_t{high.all} << 32)) & keep;
    run.first[t] = (low.first | (std::uint64_t{high.first} << 32)) & keep;
    run.last[t] = (low.last | (std::uint64_t{high.last} << 32)) & keep;
    run.pop[t] = low.live + high.live;
}

template <bool Checked>
int Band(const BandRun& run) {
    const Vectors v{_mm256_broadcastsi128_si256(
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(run.tables->birth))),
                    _mm256_broadcastsi128_si256(
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(run.tables->survival))),
                    _mm256_set1_epi8(static_cast<char>(0xFE))};
    const __m256i every = _mm256_set1_epi8(-1);
    int other = 0;
    int t = 0;
    int x = run.x0;
    for (; x + kTileWidth <= run.x1; x += kTileWidth, ++t) {
        Strip low, high;
        if (Tile64<Checked>(run.source + x, run.sourceStride, run.out + x, run.outStride,
                            run.rows, v, every, every, low, high))
            Combine(low, high, ~std::uint64_t{0}, run, t);
        else
            other |= ReferenceBand(run, x, x + kTileWidth, t);
    }
    if (x < run.x1) {
        // A short last tile: work on a copy padded with dead cells, then keep the real part.
        constexpr int kStride = kTileWidth + 32;
        const int n = run.x1 - x;
        alignas(32) std::int8_t src[(kMaxBandRows + 2) * kStride];
        alignas(32) std::int8_t out[kMaxBandRows * kStride];
        std::memset(src, 0, sizeof src);
        for (int r = 0; r < run.rows + 2; ++r)
            std::memcpy(src + r * kStride, run.source + r * run.sourceStride + x - 1,
                        static_cast<std::size_t>(n) + 2);
        for (int r = 0; r < run.rows; ++r)
            std::memcpy(out + r * kStride, src + (r + 1) * kStride + 1, kTileWidth);
        alignas(32) std::int8_t lanes[kTileWidth] = {};
        std::memset(lanes, -1, static_cast<std::size_t>(n));
        Strip low, high;
        if (Tile64<Checked>(src + 1, kStride, out, kStride, run.rows, v, Load(lanes),
                            Load(lanes + 32), low, high)) {
            Combine(low, high, n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1, run,
                    t);
            for (int r = 0; r < run.rows; ++r)
                std::memcpy(run.out + r * run.outStride + x, out + r * kStride,
                            static_cast<std::size_t>(n));
        } else {
            other |= ReferenceBand(run, x, run.x1, t);
        }
    }
    return other;
}

int Avx2Band(const BandRun& run) { return run.checked ? Band<true>(run) : Band<false>(run); }

std::int64_t Avx2Count(const std::int8_t* bytes, std::size_t count) {
    std::int64_t n = 0;
    std::size_t i = 0;
    const __m256i zero = _mm256_setzero_si256();
    for (; i + 32 <= count; i += 32) {
        const auto dead = static_cast<std::uint32_t>(
            _mm256_movemask_epi8(_mm256_cmpeq_epi8(Load(bytes + i), zero)));
        n += 32 - __builtin_popcount(dead);
    }
    for (; i < count; ++i) n += bytes[i] != 0;
    return n;
}

}  // namespace

Kernels Avx2Kernels() { return {Avx2Band, Avx2Count, "avx2"}; }

}  // namespace gb::stepk

#endif
