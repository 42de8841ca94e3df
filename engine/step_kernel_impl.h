// The body of the step's inner loops, included by each step_kernel_*.cpp, which compiles it for
// its instruction set with the compiler's generic vectors of GB_KERNEL_LANES 64-bit lanes (8: one
// AVX-512 register, 4: one AVX2 register, 2: one SSE2 or NEON register).
//
// A vector holds consecutive rows of one tile, as the tile stores them, so a tile is 16 / lanes
// vectors and needs no rearranging. A row's three-cell sums come from its own word and the same
// row of the tiles beside it (their edge bits shifted in); the sums of the rows above and below
// are the sums vector moved by one lane, with a row of the tile above or below moving in at the
// ends (those two rows' sums are made on plain words). Each row's sums are made once and used
// for the three rows they touch.
//
// Each including file names its own namespace (GB_KERNEL_SET), so the copies built for different
// sets never meet at link time; nothing here instantiates a library template for the same reason.
#pragma once

#include <cstddef>
#include <cstring>

#if defined(__AVX512F__) || defined(__AVX2__)
#include <immintrin.h>
#endif

#include "engine/step_kernel.h"

#ifndef GB_KERNEL_SET
#error "define GB_KERNEL_SET before including step_kernel_impl.h"
#endif
#ifndef GB_KERNEL_LANES
#error "define GB_KERNEL_LANES before including step_kernel_impl.h"
#endif

namespace gb::stepk::GB_KERNEL_SET {

constexpr int kLanes = GB_KERNEL_LANES;
constexpr int kVectors = 16 / kLanes;  // a tile's vectors
static_assert(kLanes == 2 || kLanes == 4 || kLanes == 8);

typedef std::uint64_t V __attribute__((vector_size(8 * kLanes)));

inline V Load(const std::uint64_t* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void Store(std::uint64_t* p, V v) { std::memcpy(p, &v, sizeof v); }
inline V Splat(std::uint64_t x) { return V{} + x; }
// Rows one up: lane i takes lane i - 1 of v, lane 0 the last lane of before.
inline V FromAbove(V before, V v) {
#if GB_KERNEL_LANES == 8
    return __builtin_shufflevector(before, v, 7, 8, 9, 10, 11, 12, 13, 14);
#elif GB_KERNEL_LANES == 4
    return __builtin_shufflevector(before, v, 3, 4, 5, 6);
#else
    return __builtin_shufflevector(before, v, 1, 2);
#endif
}
// Rows one down: lane i takes lane i + 1 of v, the last lane lane 0 of after.
inline V FromBelow(V v, V after) {
#if GB_KERNEL_LANES == 8
    return __builtin_shufflevector(v, after, 1, 2, 3, 4, 5, 6, 7, 8);
#elif GB_KERNEL_LANES == 4
    return __builtin_shufflevector(v, after, 1, 2, 3, 4);
#else
    return __builtin_shufflevector(v, after, 1, 2);
#endif
}
// True when a lane is not zero.
inline bool Any(V v) {
#if GB_KERNEL_LANES == 8 && defined(__AVX512F__)
    return _mm512_test_epi64_mask(reinterpret_cast<__m512i>(v), reinterpret_cast<__m512i>(v)) != 0;
#elif GB_KERNEL_LANES == 4 && defined(__AVX2__)
    return !_mm256_testz_si256(reinterpret_cast<__m256i>(v), reinterpret_cast<__m256i>(v));
#else
    std::uint64_t x = 0;
    for (int i = 0; i < kLanes; ++i) x |= v[i];
    return x != 0;
#endif
}

alignas(64) inline constexpr std::uint64_t kZeroTile[16] = {};

// Three-input functions, one instruction each where AVX-512 has its ternary logic.
#if GB_KERNEL_LANES == 8 && defined(__AVX512F__)
#define GB_TERNARY 1
template <int kTable>
inline V Ternary(V a, V b, V c) {
    return reinterpret_cast<V>(_mm512_ternarylogic_epi64(reinterpret_cast<__m512i>(a),
                                                         reinterpret_cast<__m512i>(b),
                                                         reinterpret_cast<__m512i>(c), kTable));
}
inline V Xor3(V a, V b, V c) { return Ternary<0x96>(a, b, c); }
inline V Majority(V a, V b, V c) { return Ternary<0xE8>(a, b, c); }
inline V XorAnd(V a, V b, V c) { return Ternary<0x78>(a, b, c); }  // a ^ (b & c)
inline V OrXor(V a, V b, V c) { return Ternary<0xF6>(a, b, c); }   // a | (b ^ c)
inline V Choose(V a, V b, V c) { return Ternary<0x38>(a, b, c); }  // a ? ~b : b & c
inline V AndNot(V a, V b, V c) { return Ternary<0x40>(a, b, c); }  // a & b & ~c
#else
inline V Xor3(V a, V b, V c) { return a ^ b ^ c; }
inline V Majority(V a, V b, V c) { return (a & b) | (c & (a ^ b)); }
inline V XorAnd(V a, V b, V c) { return a ^ (b & c); }
inline V OrXor(V a, V b, V c) { return a | (b ^ c); }
inline V Choose(V a, V b, V c) { return (a & ~b) | (~a & b & c); }
inline V AndNot(V a, V b, V c) { return a & b & ~c; }
#endif

// Three-cell sums of a row c (one word or a vector of them) whose west and east neighbours' words
// are w and e: lo of weight 1, hi of weight 2.
template <typename T>
inline void Sums(T c, T w, T e, T& lo, T& hi) {
    const T l = (c << 1) | (w >> 63);  // each cell's west neighbour
    const T r = (c >> 1) | (e << 63);  // and east one
    const T x = l ^ c;
    lo = x ^ r;
    hi = (l & c) | (r & x);
}

// The same for vectors.
inline void SumsV(V c, V w, V e, V& lo, V& hi) {
#if GB_KERNEL_LANES == 8 && defined(__AVX512VBMI2__)
    const __m512i cc = reinterpret_cast<__m512i>(c);
    const V l = reinterpret_cast<V>(_mm512_shldi_epi64(cc, reinterpret_cast<__m512i>(w), 1));
    const V r = reinterpret_cast<V>(_mm512_shrdi_epi64(cc, reinterpret_cast<__m512i>(e), 1));
#else
    const V l = (c << 1) | (w >> 63);
    const V r = (c >> 1) | (e << 63);
#endif
    lo = Xor3(l, c, r);
    hi = Majority(l, c, r);
}

// The rule applied to the 3 × 3 count t0 + 2 (u0 + k) + 4 u1 (the cell included) and the cell;
// only cells in mask may live.
template <bool kLife>
inline V Rule(V t0, V u0, V k, V u1, V centre, V mask, const RuleTerms& rule) {
    if constexpr (kLife) {
        // The count (at most 9) is 3, or 4 with the cell live: its bit 3 does not matter, bits 0
        // and 1 are equal, and bit 2 is clear for 3 and set for 4.
        const V t2 = XorAnd(u1, u0, k);
        return AndNot(Choose(t0, t2, centre), mask, Xor3(t0, u0, k));
    } else {
        const V t1 = u0 ^ k;
        const V t2 = XorAnd(u1, u0, k);
        const V t3 = u1 & u0 & k;
        const V lo[4] = {~(t1 | t0), t0 & ~t1, t1 & ~t0, t1 & t0};
        const V hi[3] = {~(t3 | t2), t2 & ~t3, t3 & ~t2};
        V result{};
        for (int i = 0; i < rule.count; ++i) {
            const int n = rule.k[i];
            const V allowed = (centre ^ Splat(rule.flip[i])) | Splat(rule.any[i]);
            result |= hi[n >> 2] & lo[n & 3] & allowed;
        }
        return result & mask;
    }
}

// The next state of tile (tx, ty) into next; n[dy][dx] are the 3 × 3 tiles around it. kEdge:
// the tile holds border or padding cells, which the interior masks keep dead.
template <bool kLife, bool kEdge>
inline void StepTile(const Job& job, const std::uint64_t* const n[3][3], int tx, int ty,
                     V next[kVectors]) {
    const std::uint64_t* c = n[1][1];
    const std::uint64_t* w = n[1][0];
    const std::uint64_t* e = n[1][2];
    V lo[kVectors], hi[kVectors];
    for (int v = 0; v < kVectors; ++v)
        SumsV(Load(c + v * kLanes), Load(w + v * kLanes), Load(e + v * kLanes), lo[v], hi[v]);
    std::uint64_t aboveLo, aboveHi, belowLo, belowHi;
    Sums(n[0][1][15], n[0][0][15], n[0][2][15], aboveLo, aboveHi);
    Sums(n[2][1][0], n[2][0][0], n[2][2][0], belowLo, belowHi);
    V columns{}, rows[kVectors]{};
    if constexpr (kEdge) {
        columns = Splat(job.columnMask[tx]);
        for (int v = 0; v < kVectors; ++v)
            rows[v] = Load(job.rowMask + static_cast<std::ptrdiff_t>(ty) * 16 + v * kLanes);
    }
    for (int v = 0; v < kVectors; ++v) {
        const V a0 = FromAbove(v == 0 ? Splat(aboveLo) : lo[v - 1], lo[v]);
        const V a1 = FromAbove(v == 0 ? Splat(aboveHi) : hi[v - 1], hi[v]);
        const V d0 = FromBelow(lo[v], v == kVectors - 1 ? Splat(belowLo) : lo[v + 1]);
        const V d1 = FromBelow(hi[v], v == kVectors - 1 ? Splat(belowHi) : hi[v + 1]);
        const V b0 = lo[v], b1 = hi[v];
        // The 3 × 3 block's count: t0 + 2 (k + u0) + 4 u1.
        const V t0 = Xor3(a0, b0, d0);
        const V k = Majority(a0, b0, d0);
        const V u0 = Xor3(a1, b1, d1);
        const V u1 = Majority(a1, b1, d1);
        const V mask = kEdge ? columns & rows[v] : ~V{};
        next[v] = Rule<kLife>(t0, u0, k, u1, Load(c + v * kLanes), mask, job.rule);
    }
}

// Compares tile (tx, ty)'s next state with the generation before (held where it goes) and the
// current one, writes it where it differs from what is there, and records it.
inline void Finish(const Job& job, const std::uint64_t* current, int tx, int ty,
                   const V next[kVectors], TileRecord* out, int& written) {
    std::uint64_t* target = job.to + (static_cast<std::ptrdiff_t>(ty) * job.tilesX + tx) * 16;
    V dOld{}, dCur{}, live{};
    for (int v = 0; v < kVectors; ++v) {
        dOld = OrXor(dOld, next[v], Load(target + v * kLanes));
        dCur = OrXor(dCur, next[v], Load(current + v * kLanes));
        live |= next[v];
    }
    const bool store = Any(dOld), changed = Any(dCur);
    const bool fromTwoBack = job.fresh ? Any(live) : store;
    if (!store && !changed && !fromTwoBack) return;
    std::uint8_t flags = (changed ? kChanged : 0) | (fromTwoBack ? kWritten : 0);
    int population = 0;
    if (store) {
        flags |= kStored;
        for (int v = 0; v < kVectors; ++v) Store(target + v * kLanes, next[v]);
#if GB_KERNEL_LANES == 8 && defined(__AVX512VPOPCNTDQ__)
        const V counts = reinterpret_cast<V>(
            _mm512_add_epi64(_mm512_popcnt_epi64(reinterpret_cast<__m512i>(next[0])),
                             _mm512_popcnt_epi64(reinterpret_cast<__m512i>(next[1]))));
        for (int i = 0; i < kLanes; ++i) population += static_cast<int>(counts[i]);
#else
        for (int r = 0; r < 16; ++r) population += __builtin_popcountll(target[r]);
#endif
    }
    out[written++] = TileRecord{tx, ty, flags, static_cast<std::uint16_t>(population)};
}

template <bool kLife>
inline void StepGroup(const Job& job, int gx, int ty, TileRecord* out, int& written) {
    const int tilesX = job.tilesX, tilesY = job.tilesY;
    const int tx0 = gx * 4;
    // The 3 × 6 tiles around the group: rows ty - 1 .. ty + 1, columns tx0 - 1 .. tx0 + 4; the
    // zero tile outside the grid.
    const std::uint64_t* p[3][6];
    const std::ptrdiff_t rowWords = static_cast<std::ptrdiff_t>(tilesX) * 16;
    const std::uint64_t* base = job.from + (static_cast<std::ptrdiff_t>(ty) * tilesX + tx0) * 16;
    const bool inside = tx0 >= 1 && tx0 + 4 < tilesX && ty >= 1 && ty + 1 < tilesY;
    if (inside) {
        for (int dy = 0; dy < 3; ++dy)
            for (int dx = 0; dx < 6; ++dx) p[dy][dx] = base + (dy - 1) * rowWords + (dx - 1) * 16;
    } else {
        // Which of the columns and rows lie inside, found once (unsigned: -1 is outside too).
        bool columnIn[6], rowIn[3];
        for (int dx = 0; dx < 6; ++dx)
            columnIn[dx] = static_cast<unsigned>(tx0 + dx - 1) < static_cast<unsigned>(tilesX);
        for (int dy = 0; dy < 3; ++dy)
            rowIn[dy] = static_cast<unsigned>(ty + dy - 1) < static_cast<unsigned>(tilesY);
        for (int dy = 0; dy < 3; ++dy)
            for (int dx = 0; dx < 6; ++dx)
                p[dy][dx] = (columnIn[dx] & rowIn[dy]) ? base + (dy - 1) * rowWords + (dx - 1) * 16
                                                       : kZeroTile;
    }
    const std::uint64_t rowsInside = job.rowMask[static_cast<std::ptrdiff_t>(ty) * 16] &
                                     job.rowMask[static_cast<std::ptrdiff_t>(ty) * 16 + 15];
    if (inside && rowsInside == ~std::uint64_t{0}) {
        // Every neighbour at a fixed distance in memory, every cell inside.
        for (int j = 0; j < 4; ++j) {
            const std::uint64_t* c = base + j * 16;
            const std::uint64_t* const n[3][3] = {
                {c - rowWords - 16, c - rowWords, c - rowWords + 16},
                {c - 16, c, c + 16},
                {c + rowWords - 16, c + rowWords, c + rowWords + 16}};
            V next[kVectors];
            StepTile<kLife, false>(job, n, tx0 + j, ty, next);
            Finish(job, c, tx0 + j, ty, next, out, written);
        }
        return;
    }
    for (int j = 0; j < 4; ++j) {
        const int tx = tx0 + j;
        if (tx >= tilesX) break;
        const std::uint64_t* const n[3][3] = {{p[0][j], p[0][j + 1], p[0][j + 2]},
                                              {p[1][j], p[1][j + 1], p[1][j + 2]},
                                              {p[2][j], p[2][j + 1], p[2][j + 2]}};
        V next[kVectors];
        if ((job.columnMask[tx] & rowsInside) == ~std::uint64_t{0})
            StepTile<kLife, false>(job, n, tx, ty, next);
        else
            StepTile<kLife, true>(job, n, tx, ty, next);
        Finish(job, n[1][1], tx, ty, next, out, written);
    }
}

template <bool kLife>
inline void StepGroupsImpl(const Job& job, TileRecord* out, int& written) {
    for (int i = 0; i < job.count; ++i) {
        const GroupRef g = job.groups[i];
        StepGroup<kLife>(job, g.gx, g.ty, out, written);
    }
}

inline void StepGroups(const Job& job, TileRecord* out, int& written) {
    if (job.rule.life)
        StepGroupsImpl<true>(job, out, written);
    else
        StepGroupsImpl<false>(job, out, written);
}

}  // namespace gb::stepk::GB_KERNEL_SET
