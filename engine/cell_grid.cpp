#include "engine/cell_grid.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/extent.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace gb {

namespace {

constexpr std::size_t kAlign = 64;

// Live cells of a word (the machine's instruction where the build may use it).
inline int Popcount(std::uint64_t x) {
#if defined(__POPCNT__) || !(defined(__x86_64__) || defined(_M_X64))
    return std::popcount(x);
#else
    x -= (x >> 1) & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((x * 0x0101010101010101ull) >> 56);
#endif
}

std::size_t RoundUp(std::size_t n) { return (n + kAlign - 1) / kAlign * kAlign; }

int Tiles(int cells, int side) {
    return cells <= 0 ? 0 : static_cast<int>((std::int64_t{cells} + side - 1) / side);
}

// Bits lo .. hi (inclusive, 0 .. 63) of a word.
std::uint64_t Bits(int lo, int hi) {
    const std::uint64_t upTo = hi >= 63 ? ~std::uint64_t{0} : (std::uint64_t{1} << (hi + 1)) - 1;
    return upTo & (~std::uint64_t{0} << lo);
}

struct Layout {
    std::size_t words, pops, occupied, journal, total;
};

Layout LayoutOf(int width, int height) {
    const std::size_t tiles = static_cast<std::size_t>(Tiles(width, CellGrid::kTileWidth)) *
                              Tiles(height, CellGrid::kTileHeight);
    const std::size_t bitWords = (tiles + 63) / 64;
    Layout l{};
    l.words = 0;
    l.pops = l.words + RoundUp(tiles * 16 * sizeof(std::uint64_t));
    l.occupied = l.pops + RoundUp(tiles * sizeof(std::uint16_t));
    l.journal = l.occupied + RoundUp(bitWords * sizeof(std::uint64_t));
    l.total = l.journal + RoundUp(bitWords * sizeof(std::uint64_t)) + kAlign;  // + alignment slack
    return l;
}

}  // namespace

std::size_t CellGrid::BlockBytes(int width, int height) { return LayoutOf(width, height).total; }

void CellGrid::Attach(void* block, int width, int height) {
    const Layout l = LayoutOf(width, height);
    auto base = reinterpret_cast<std::uintptr_t>(block);
    base = (base + kAlign - 1) / kAlign * kAlign;
    auto* bytes = reinterpret_cast<unsigned char*>(base);
    width_ = width;
    height_ = height;
    tilesX_ = Tiles(width, kTileWidth);
    tilesY_ = Tiles(height, kTileHeight);
    words_ = reinterpret_cast<std::uint64_t*>(bytes + l.words);
    tilePop_ = reinterpret_cast<std::uint16_t*>(bytes + l.pops);
    occupied_ = reinterpret_cast<std::uint64_t*>(bytes + l.occupied);
    journalBits_ = reinterpret_cast<std::uint64_t*>(bytes + l.journal);
    journal_.clear();
    population_ = 0;
    liveTiles_ = 0;
    advised_ = false;
}

void CellGrid::AdviseDense() {
    advised_ = true;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only worth it where a huge page fits; the advice covers whole pages inside the words.
    const std::size_t bytes = static_cast<std::size_t>(tileCount()) * 16 * sizeof(std::uint64_t);
    if (bytes < (std::size_t{4} << 20)) return;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto from = (reinterpret_cast<std::uintptr_t>(words_) + page - 1) / page * page;
    const auto to = (reinterpret_cast<std::uintptr_t>(words_) + bytes) / page * page;
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);  // a hint only
#endif
}

void CellGrid::Detach() {
    width_ = height_ = tilesX_ = tilesY_ = 0;
    words_ = nullptr;
    tilePop_ = nullptr;
    occupied_ = journalBits_ = nullptr;
    std::vector<int>().swap(journal_);
    population_ = 0;
    liveTiles_ = 0;
    advised_ = false;
}

void CellGrid::store(int tx, int y, std::uint64_t value) {
    std::uint64_t& w = words_[TileBase(tx, y >> 4) + (y & 15)];
    if (w == value) return;
    const int t = (y >> 4) * tilesX_ + tx;
    const int delta = Popcount(value & ~w) - Popcount(w & ~value);
    const int pop = tilePop_[t] + delta;
    w = value;
    tilePop_[t] = static_cast<std::uint16_t>(pop);
    population_ += delta;
    setOccupied(t, pop != 0);
    note(t);
}

void CellGrid::set(int x, int y, bool live) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const std::uint64_t bit = std::uint64_t{1} << (x & 63);
    const std::uint64_t old = word(x >> 6, y);
    store(x >> 6, y, live ? old | bit : old & ~bit);
}

void CellGrid::fillSpan(int y, int x0, int x1) {
    if (y < 0 || y >= height_) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, width_ - 1);
    for (int tx = x0 >> 6, last = x1 >> 6; tx <= last && x0 <= x1; ++tx) {
        const int lo = tx == x0 >> 6 ? x0 & 63 : 0;
        const int hi = tx == last ? x1 & 63 : 63;
        store(tx, y, word(tx, y) | Bits(lo, hi));
    }
}

void CellGrid::orBits(int y, int x0, const std::uint64_t* bits, int count) {
    if (y < 0 || y >= height_ || count <= 0) return;
    // Source bit i goes to column x0 + i; only columns 0 .. width - 1 are kept.
    int first = std::max(0, -x0);
    const int end = std::min(count, width_ - x0);  // source bits first .. end - 1
    while (first < end) {
        const int x = x0 + first;
        const int tx = x >> 6, off = x & 63;
        const int take = std::min(64 - off, end - first);
        // take source bits from first on.
        const int sw = first >> 6, sb = first & 63;
        std::uint64_t chunk = bits[sw] >> sb;
        if (sb != 0 && sb + take > 64) chunk |= bits[sw + 1] << (64 - sb);
        if (take < 64) chunk &= (std::uint64_t{1} << take) - 1;
        if (chunk != 0) store(tx, y, word(tx, y) | chunk << off);
        first += take;
    }
}

void CellGrid::setWord(int tx, int y, std::uint64_t value) {
    if (tx < 0 || tx >= tilesX_ || y < 0 || y >= height_) return;
    const int past = width_ - tx * 64;  // columns of this word inside the grid
    if (past < 64) value &= (std::uint64_t{1} << past) - 1;
    store(tx, y, value);
}

void CellGrid::clear() {
    forEachLiveTile([this](int tx, int ty) {
        const int t = ty * tilesX_ + tx;
        std::memset(words_ + TileBase(tx, ty), 0, 16 * sizeof(std::uint64_t));
        population_ -= tilePop_[t];
        tilePop_[t] = 0;
        setOccupied(t, false);
        note(t);
    });
}

bool CellGrid::tileRowLive(int ty) const {
    const int first = ty * tilesX_, end = first + tilesX_;
    for (int t = first; t < end;) {
        const std::uint64_t w = occupied_[t >> 6] >> (t & 63);
        const int n = std::min(64 - (t & 63), end - t);
        if ((n == 64 ? w : w & ((std::uint64_t{1} << n) - 1)) != 0) return true;
        t += n;
    }
    return false;
}

int CellGrid::firstLive(int y, int left, int right) const {
    if (y < 0 || y >= height_) return -1;
    left = std::max(left, 0);
    right = std::min(right, width_ - 1);
    const int ty = y >> 4;
    for (int tx = left >> 6, last = right >> 6; left <= right && tx <= last; ++tx) {
        if (!tileLive(tx, ty)) continue;
        std::uint64_t w = word(tx, y);
        if (tx == left >> 6) w &= ~std::uint64_t{0} << (left & 63);
        if (tx == last) w &= Bits(0, right & 63);
        if (w != 0) return tx * 64 + std::countr_zero(w);
    }
    return -1;
}

int CellGrid::lastLive(int y, int left, int right) const {
    if (y < 0 || y >= height_) return -1;
    left = std::max(left, 0);
    right = std::min(right, width_ - 1);
    const int ty = y >> 4;
    for (int tx = right >> 6, first = left >> 6; left <= right && tx >= first; --tx) {
        if (!tileLive(tx, ty)) continue;
        std::uint64_t w = word(tx, y);
        if (tx == first) w &= ~std::uint64_t{0} << (left & 63);
        if (tx == right >> 6) w &= Bits(0, right & 63);
        if (w != 0) return tx * 64 + 63 - std::countl_zero(w);
    }
    return -1;
}

Extent CellGrid::extent() const {
    Extent e;
    if (liveTiles_ == 0) return e;
    // The tiles give the box to a tile; the words inside the edge tiles give it to a cell.
    int tyTop = tilesY_, tyBottom = -1, txLeft = tilesX_, txRight = -1;
    forEachLiveTile([&](int tx, int ty) {
        tyTop = std::min(tyTop, ty);
        tyBottom = std::max(tyBottom, ty);
        txLeft = std::min(txLeft, tx);
        txRight = std::max(txRight, tx);
    });
    int top = -1, bottom = -1;
    for (int y = tyTop * 16; top < 0; ++y)
        for (int tx = txLeft; tx <= txRight && top < 0; ++tx)
            if (tileLive(tx, tyTop) && word(tx, y) != 0) top = y;
    for (int y = tyBottom * 16 + 15; bottom < 0; --y)
        for (int tx = txLeft; tx <= txRight && bottom < 0; ++tx)
            if (tileLive(tx, tyBottom) && word(tx, y) != 0) bottom = y;
    std::uint64_t leftBits = 0, rightBits = 0;
    for (int ty = tyTop; ty <= tyBottom; ++ty) {
        if (tileLive(txLeft, ty))
            for (int r = 0; r < 16; ++r) leftBits |= words_[TileBase(txLeft, ty) + r];
        if (tileLive(txRight, ty))
            for (int r = 0; r < 16; ++r) rightBits |= words_[TileBase(txRight, ty) + r];
    }
    e.found = 1;
    e.top = top;
    e.bottom = bottom;
    e.left = txLeft * 64 + std::countr_zero(leftBits);
    e.right = txRight * 64 + 63 - std::countl_zero(rightBits);
    e.width = e.right - e.left + 1;
    e.height = e.bottom - e.top + 1;
    return e;
}

void CellGrid::orFrom(const CellGrid& src, int srcLeft, int srcTop, int srcRight, int srcBottom,
                      int dx, int dy, int clipLeft, int clipTop, int clipRight, int clipBottom) {
    // Clip the source box so its target lies inside the clip box and this grid, in 64 bits so
    // any move is safe.
    const auto lo = [](std::int64_t a, std::int64_t b) { return a > b ? a : b; };
    const auto hi = [](std::int64_t a, std::int64_t b) { return a < b ? a : b; };
    const std::int64_t l = lo(lo(srcLeft, 0), lo(std::int64_t{clipLeft}, 0) - dx);
    const std::int64_t r =
        hi(hi(srcRight, src.width_ - 1), hi(std::int64_t{clipRight}, width_ - 1) - dx);
    const std::int64_t t = lo(lo(srcTop, 0), lo(std::int64_t{clipTop}, 0) - dy);
    const std::int64_t b =
        hi(hi(srcBottom, src.height_ - 1), hi(std::int64_t{clipBottom}, height_ - 1) - dy);
    if (l > r || t > b) return;
    const int txFirst = static_cast<int>(l >> 6), txLast = static_cast<int>(r >> 6);
    const std::uint64_t leftMask = ~std::uint64_t{0} << (l & 63),
                        rightMask = Bits(0, static_cast<int>(r & 63));
    // Source word tx lands at column 64 tx + dx: its low bits in word tx + words, shifted up by
    // off, the rest in the next word, where they join the low bits of source word tx + 1, so
    // that each word written is stored once.
    const int off = static_cast<int>(dx & 63);
    const int words = static_cast<int>((static_cast<std::int64_t>(dx) - off) / 64);
    const auto orWordAt = [this](int tx, int y, std::uint64_t v) { store(tx, y, word(tx, y) | v); };
    for (int ty = static_cast<int>(t >> 4), tyLast = static_cast<int>(b >> 4); ty <= tyLast; ++ty) {
        if (!src.tileRowLive(ty)) continue;
        const int y0 = static_cast<int>(std::max<std::int64_t>(t, ty * 16));
        const int y1 = static_cast<int>(std::min<std::int64_t>(b, ty * 16 + 15));
        for (int y = y0; y <= y1; ++y) {
            std::uint64_t carry = 0;  // bits for word carryAt
            int carryAt = 0;
            for (int tx = txFirst; tx <= txLast; ++tx) {
                if (!src.tileLive(tx, ty)) continue;
                std::uint64_t w = src.word(tx, y);
                if (tx == txFirst) w &= leftMask;
                if (tx == txLast) w &= rightMask;
                if (w == 0) continue;
                const int d = tx + words;
                std::uint64_t low = w << off;
                if (carry != 0) {
                    if (carryAt == d)
                        low |= carry;
                    else
                        orWordAt(carryAt, y + dy, carry);
                }
                if (low != 0) orWordAt(d, y + dy, low);
                carry = off != 0 ? w >> (64 - off) : 0;
                carryAt = d + 1;
            }
            if (carry != 0) orWordAt(carryAt, y + dy, carry);
        }
    }
}

void CellGrid::copyTile(int t, std::uint64_t* rows) const {
    std::memcpy(rows, words_ + static_cast<std::ptrdiff_t>(t) * 16, 16 * sizeof(std::uint64_t));
}

bool CellGrid::sameTile(int t, const std::uint64_t* rows) const {
    const std::uint64_t* w = words_ + static_cast<std::ptrdiff_t>(t) * 16;
    std::uint64_t d = 0;
    for (int r = 0; r < 16; ++r) d |= w[r] ^ rows[r];
    return d == 0;
}

void CellGrid::TakeJournal(std::vector<int>& tiles) {
    tiles.clear();
    tiles.swap(journal_);
    for (int t : tiles) journalBits_[t >> 6] &= ~(std::uint64_t{1} << (t & 63));
}

void CellGrid::swap(CellGrid& other) {
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    std::swap(tilesX_, other.tilesX_);
    std::swap(tilesY_, other.tilesY_);
    std::swap(words_, other.words_);
    std::swap(tilePop_, other.tilePop_);
    std::swap(occupied_, other.occupied_);
    std::swap(journalBits_, other.journalBits_);
    journal_.swap(other.journal_);
    std::swap(population_, other.population_);
    std::swap(liveTiles_, other.liveTiles_);
    std::swap(advised_, other.advised_);
}

}  // namespace gb
