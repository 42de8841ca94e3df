// The body of the step's inner loops, included by each step_kernel_*.cpp, which compiles it for
// its instruction set with the compiler's generic vectors (four 64-bit lanes: one AVX2 register,
// two SSE2 or NEON registers).
//
// The step works on groups of four tiles side by side. Their rows are transposed so that one
// vector holds the same row of the four tiles (lane j = tile j); a row's west and east
// neighbours are then the vector shifted by a lane, with one word from the tile beyond each side,
// and the rows above and below are the vectors before and after it. Each row's three-cell sums
// are made once and used for the three rows they touch.
//
// Each including file names its own namespace (GB_KERNEL_SET), so the copies built for different
// sets never meet at link time; nothing here instantiates a library template for the same reason.
#pragma once

#include <cstddef>
#include <cstring>

#include "core/engine/step_kernel.h"

#ifndef GB_KERNEL_SET
#error "define GB_KERNEL_SET before including step_kernel_impl.h"
#endif

namespace gb::stepk::GB_KERNEL_SET {

typedef std::uint64_t V __attribute__((vector_size(32)));

inline V Load(const std::uint64_t* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void Store(std::uint64_t* p, V v) { std::memcpy(p, &v, sizeof v); }
inline V Splat(std::uint64_t x) { return V{x, x, x, x}; }

alignas(64) inline constexpr std::uint64_t kZeroTile[16] = {};

// Rows 4k .. 4k + 3 of four tiles (a[j] = tile j's rows) to the same rows across the tiles
// (r[i] = row 4k + i of tiles 0 .. 3), and back: the transpose is its own inverse.
inline void Transpose(const V a[4], V r[4]) {
    const V t0 = __builtin_shufflevector(a[0], a[1], 0, 4, 2, 6);
    const V t1 = __builtin_shufflevector(a[0], a[1], 1, 5, 3, 7);
    const V t2 = __builtin_shufflevector(a[2], a[3], 0, 4, 2, 6);
    const V t3 = __builtin_shufflevector(a[2], a[3], 1, 5, 3, 7);
    r[0] = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
    r[1] = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
    r[2] = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
    r[3] = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
}

template <bool kLife>
inline V Rule(V t0, V t1, V t2, V t3, V centre, const RuleTerms& rule) {
    if constexpr (kLife) {
        // Three in the block: born, or survives with two neighbours; four: survives with three.
        const V three = ~(t3 | t2) & t1 & t0;
        const V four = ~(t3 | t1 | t0) & t2;
        return three | (four & centre);
    } else {
        const V lo[4] = {~(t1 | t0), t0 & ~t1, t1 & ~t0, t1 & t0};
        const V hi[3] = {~(t3 | t2), t2 & ~t3, t3 & ~t2};
        V result{};
        for (int i = 0; i < rule.count; ++i) {
            const int k = rule.k[i];
            const V allowed = (centre ^ Splat(rule.flip[i])) | Splat(rule.any[i]);
            result |= hi[k >> 2] & lo[k & 3] & allowed;
        }
        return result;
    }
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
    if (tx0 >= 1 && tx0 + 4 < tilesX && ty >= 1 && ty + 1 < tilesY) {
        for (int dy = 0; dy < 3; ++dy)
            for (int dx = 0; dx < 6; ++dx) p[dy][dx] = base + (dy - 1) * rowWords + (dx - 1) * 16;
    } else {
        for (int dy = 0; dy < 3; ++dy)
            for (int dx = 0; dx < 6; ++dx) {
                const int x = tx0 + dx - 1, y = ty + dy - 1;
                p[dy][dx] = x < 0 || y < 0 || x >= tilesX || y >= tilesY
                                ? kZeroTile
                                : base + (dy - 1) * rowWords + (dx - 1) * 16;
            }
    }
    const std::uint64_t* const* tile = p[1] + 1;

    // rows[1 + r]: row r across the four tiles; rows[0] and rows[17] the rows above and below.
    // west[i] / east[i]: the same rows of the tiles beyond the left and right side.
    V rows[18];
    for (int k = 0; k < 4; ++k) {
        V a[4];
        for (int j = 0; j < 4; ++j) a[j] = Load(tile[j] + 4 * k);
        Transpose(a, rows + 1 + 4 * k);
    }
    rows[0] = V{p[0][1][15], p[0][2][15], p[0][3][15], p[0][4][15]};
    rows[17] = V{p[2][1][0], p[2][2][0], p[2][3][0], p[2][4][0]};
    alignas(32) std::uint64_t west[20], east[20];
    west[0] = p[0][0][15];
    east[0] = p[0][5][15];
    std::memcpy(west + 1, p[1][0], 16 * sizeof(std::uint64_t));
    std::memcpy(east + 1, p[1][5], 16 * sizeof(std::uint64_t));
    west[17] = p[2][0][0];
    east[17] = p[2][5][0];

    const V columns = Load(job.columnMask + tx0);
    const std::uint64_t* rowMask = job.rowMask + static_cast<std::ptrdiff_t>(ty) * 16;
    // Three-cell sums of window row i: lo weight 1, hi weight 2. Each is made once, kept while
    // the three rows it touches are computed.
    const auto sums = [&](int i, V& lo, V& hi) {
        const V c = rows[i];
        const V left = __builtin_shufflevector(c, Splat(west[i]), 4, 0, 1, 2);
        const V right = __builtin_shufflevector(c, Splat(east[i]), 1, 2, 3, 4);
        const V w = (c << 1) | (left >> 63);
        const V e = (c >> 1) | (right << 63);
        const V x = w ^ c;
        lo = x ^ e;
        hi = (w & c) | (e & x);
    };
    alignas(64) V next[16];
    V a0, a1, b0, b1;
    sums(0, a0, a1);
    sums(1, b0, b1);
    for (int r = 0; r < 16; ++r) {
        V d0, d1;
        sums(r + 2, d0, d1);
        // Count of the 3 × 3 block: t0 + 2 t1 + 4 t2 + 8 t3.
        const V x0 = a0 ^ b0;
        const V t0 = x0 ^ d0;
        const V k = (a0 & b0) | (d0 & x0);
        const V x1 = a1 ^ b1;
        const V u0 = x1 ^ d1;
        const V u1 = (a1 & b1) | (d1 & x1);
        const V t1 = u0 ^ k;
        const V c2 = u0 & k;
        const V t2 = u1 ^ c2;
        const V t3 = u1 & c2;
        next[r] = Rule<kLife>(t0, t1, t2, t3, rows[r + 1], job.rule) & columns & Splat(rowMask[r]);
        a0 = b0;
        a1 = b1;
        b0 = d0;
        b1 = d1;
    }

    // Back to the tiles' own layout; each tile is compared with the generation before (held
    // where it goes) and with the current one.
    V back[4][4];  // back[k][j]: rows 4k .. 4k + 3 of tile j
    for (int k = 0; k < 4; ++k) Transpose(next + 4 * k, back[k]);
    for (int j = 0; j < 4; ++j) {
        const int tx = tx0 + j;
        if (tx >= tilesX) break;
        std::uint64_t* target = job.to + (static_cast<std::ptrdiff_t>(ty) * tilesX + tx) * 16;
        V dOld{}, dCur{}, live{};
        for (int k = 0; k < 4; ++k) {
            dOld |= back[k][j] ^ Load(target + 4 * k);
            dCur |= back[k][j] ^ Load(tile[j] + 4 * k);
            live |= back[k][j];
        }
        const std::uint64_t anyOld = dOld[0] | dOld[1] | dOld[2] | dOld[3];
        const std::uint64_t anyCur = dCur[0] | dCur[1] | dCur[2] | dCur[3];
        if ((anyOld | anyCur) == 0) continue;
        std::uint8_t flags = anyCur != 0 ? kChanged : 0;
        int population = 0;
        if (anyOld != 0) {
            flags |= kWritten;
            if ((live[0] | live[1] | live[2] | live[3]) != 0)
                for (int k = 0; k < 4; ++k)
                    for (int i = 0; i < 4; ++i) population += __builtin_popcountll(back[k][j][i]);
            for (int k = 0; k < 4; ++k) Store(target + 4 * k, back[k][j]);
        }
        out[written++] = TileRecord{tx, ty, flags, static_cast<std::uint16_t>(population)};
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
