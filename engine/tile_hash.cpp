#include "engine/tile_hash.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace gb {

namespace {

constexpr int kTileRows = CellGrid::kTileHeight;

std::uint64_t SplitMix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Two 32-bit keys for every row of a tile: the row's place decides its share of the hash.
struct TileKeys {
    std::uint32_t key[kTileRows * 2];
    std::uint64_t emptySum = 0;  // the NH sum of a tile without a live cell
    TileKeys() {
        for (int i = 0; i < kTileRows * 2; ++i)
            key[i] = static_cast<std::uint32_t>(
                SplitMix(0x6772696462ull + static_cast<std::uint64_t>(i)));
        for (int r = 0; r < kTileRows; ++r) emptySum += std::uint64_t{key[2 * r]} * key[2 * r + 1];
    }
};
const TileKeys kKeys;

// A tile's hash from the NH sum of its row words (different contents of one tile give the same
// sum with a chance of about 2^-32), weighed by an odd key of its place so that equal contents
// in different places count differently. A tile without a live cell hashes to 0, so only the
// tiles with one need hashing when the whole Field is.
std::uint64_t FinishTileHash(std::uint64_t sum, std::int32_t tile) {
    return (sum - kKeys.emptySum) *
           ((2 * static_cast<std::uint64_t>(tile) + 1) * 0x9E3779B97F4A7C15ull);
}

std::uint64_t TileHash(const std::uint64_t* rows, std::int32_t tile) {
    std::uint64_t sum = 0;
    for (int r = 0; r < kTileRows; ++r)
        sum += static_cast<std::uint64_t>(static_cast<std::uint32_t>(rows[r]) + kKeys.key[2 * r]) *
               (static_cast<std::uint32_t>(rows[r] >> 32) + kKeys.key[2 * r + 1]);
    return FinishTileHash(sum, tile);
}

// Hashes tiles[0 .. count) from the grid's words (16 a tile, tile after tile) into out. This
// runs over every tile that may have changed, most of a Field in a chaotic phase, so it uses AVX2
// where there is one.
using HashTilesFn = void (*)(const std::uint64_t* words, const std::int32_t* tiles,
                             std::size_t count, std::uint64_t* out);

void HashTilesPortable(const std::uint64_t* words, const std::int32_t* tiles, std::size_t count,
                       std::uint64_t* out) {
    for (std::size_t i = 0; i < count; ++i)
        out[i] = TileHash(words + static_cast<std::ptrdiff_t>(tiles[i]) * kTileRows, tiles[i]);
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same, four rows at a time: a row word's halves are the two 32-bit lanes its keys are
// added to, and one multiply of the even lanes by the odd ones gives four products.
__attribute__((target("avx2"))) void HashTilesAvx2(const std::uint64_t* words,
                                                   const std::int32_t* tiles, std::size_t count,
                                                   std::uint64_t* out) {
    const auto* keys = reinterpret_cast<const __m256i*>(kKeys.key);
    const __m256i k0 = _mm256_loadu_si256(keys), k1 = _mm256_loadu_si256(keys + 1);
    const __m256i k2 = _mm256_loadu_si256(keys + 2), k3 = _mm256_loadu_si256(keys + 3);
    for (std::size_t i = 0; i < count; ++i) {
        const auto* rows = reinterpret_cast<const __m256i*>(
            words + static_cast<std::ptrdiff_t>(tiles[i]) * kTileRows);
        const __m256i x0 = _mm256_add_epi32(_mm256_loadu_si256(rows), k0);
        const __m256i x1 = _mm256_add_epi32(_mm256_loadu_si256(rows + 1), k1);
        const __m256i x2 = _mm256_add_epi32(_mm256_loadu_si256(rows + 2), k2);
        const __m256i x3 = _mm256_add_epi32(_mm256_loadu_si256(rows + 3), k3);
        const __m256i p0 = _mm256_mul_epu32(x0, _mm256_srli_epi64(x0, 32));
        const __m256i p1 = _mm256_mul_epu32(x1, _mm256_srli_epi64(x1, 32));
        const __m256i p2 = _mm256_mul_epu32(x2, _mm256_srli_epi64(x2, 32));
        const __m256i p3 = _mm256_mul_epu32(x3, _mm256_srli_epi64(x3, 32));
        const __m256i s = _mm256_add_epi64(_mm256_add_epi64(p0, p1), _mm256_add_epi64(p2, p3));
        const __m128i half =
            _mm_add_epi64(_mm256_castsi256_si128(s), _mm256_extracti128_si256(s, 1));
        out[i] = FinishTileHash(static_cast<std::uint64_t>(_mm_cvtsi128_si64(half)) +
                                    static_cast<std::uint64_t>(_mm_extract_epi64(half, 1)),
                                tiles[i]);
    }
}

HashTilesFn ChooseHashTiles() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? HashTilesAvx2 : HashTilesPortable;
}
#else
HashTilesFn ChooseHashTiles() { return HashTilesPortable; }
#endif

const HashTilesFn kHashTiles = ChooseHashTiles();

}  // namespace

std::uint64_t HashTile(const CellGrid& grid, std::int32_t t) {
    return TileHash(grid.words_ + static_cast<std::ptrdiff_t>(t) * kTileRows, t);
}

void HashTiles(const CellGrid& grid, const std::int32_t* tiles, std::size_t count,
               std::uint64_t* out) {
    kHashTiles(grid.words_, tiles, count, out);
}

}  // namespace gb
