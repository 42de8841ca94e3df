#include "engine/step.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

#include "engine/step_helper.h"
#include "engine/step_kernel.h"
#include "engine/step_state.h"

namespace gb {

// ---------------------------------------------------------------------------------------------
// The fast step.
//
// Tiles of 64 × 16 cells, one bit per cell. The Field keeps two buffers, the current generation
// A and the one before it B, and the step writes the next generation over B, then swaps them.
// A tile whose neighbourhood is the same as two generations back has the same next state as
// two generations back, which B already holds: such a tile is neither computed nor written.
// So the step computes only the tiles next to a tile that differs from two generations back
// (`written`) or that was written from outside since the step before (`dirty`, the grid's
// journal), and a
// settled soup of still lifes and blinkers costs next to nothing.
//
// Why this is exact: for every tile T not next to a dirty or written tile, B[T] is the next
// state of A at T. The step keeps that true: a tile it computes and finds equal to B's, and that
// was not written from outside, has the same neighbourhood one generation on as one generation
// back... precisely, it marks dirty every tile whose new state differs from B's, and every
// written tile; a tile with no mark around it then has the same neighbourhood in the new
// generation as in the one before the current, so its next state is the current one, which the
// swap leaves in the other buffer. A rule change or a move starts afresh: two generations back
// counts as empty, so every tile with a cell counts as written, and B, whatever it holds, is
// rewritten where it is computed and cleared elsewhere.

namespace {

constexpr std::int64_t kDefaultParallelCells = std::int64_t{1} << 22;
constexpr int kChunks = 32;
std::int64_t parallelCells = kDefaultParallelCells;  // fewer cells to compute: one thread

stepk::Kernels ChooseKernels(bool widest = true) {
#if (defined(__x86_64__) || defined(_M_X64)) && (defined(__GNUC__) || defined(__clang__))
    __builtin_cpu_init();
    // The AVX-512 loops also use the shifts across two words (VBMI2) and the vector popcount.
    if (widest && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq") &&
        __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("avx512vpopcntdq") &&
        __builtin_cpu_supports("popcnt"))
        return stepk::Avx512Kernels();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt"))
        return stepk::Avx2Kernels();
#else
    (void)widest;
#endif
    return stepk::GenericKernels();
}

stepk::Kernels& Kernels() {
    static stepk::Kernels kernels = ChooseKernels();
    return kernels;
}

// Tile index to tile column and row without a division: t / d is (t × m) >> 62 with m = 2^62 / d
// rounded up, exact for every t and d below 2^31.
struct TileSplit {
    explicit TileSplit(int tilesX)
        : d(tilesX), m((std::uint64_t{1} << 62) / static_cast<std::uint64_t>(tilesX) + 1) {}
    int row(int t) const {
        return static_cast<int>(
            (static_cast<unsigned __int128>(static_cast<std::uint32_t>(t)) * m) >> 62);
    }
    stepk::GroupRef operator()(int t) const {
        const int ty = row(t);
        return stepk::GroupRef{t - ty * d, ty};
    }
    int d;
    std::uint64_t m;
};

inline bool TestBit(const std::vector<std::uint64_t>& bits, int t) {
    return (bits[static_cast<std::size_t>(t) >> 6] >> (t & 63) & 1) != 0;
}
inline void SetBit(std::vector<std::uint64_t>& bits, int t) {
    bits[static_cast<std::size_t>(t) >> 6] |= std::uint64_t{1} << (t & 63);
}
inline void ClearBit(std::vector<std::uint64_t>& bits, int t) {
    bits[static_cast<std::size_t>(t) >> 6] &= ~(std::uint64_t{1} << (t & 63));
}

// Sets bits of a bit set that mostly come in order, a word at a time: one write per word instead
// of a chain of writes to the same word.
class BitRun {
public:
    explicit BitRun(std::uint64_t* words) : words_(words) {}
    ~BitRun() { flush(); }
    void add(std::size_t i) {
        if (i >> 6 != at_) {
            flush();
            at_ = i >> 6;
        }
        bits_ |= std::uint64_t{1} << (i & 63);
    }
    void flush() {
        if (bits_ == 0) return;
        words_[at_] |= bits_;
        bits_ = 0;
    }

private:
    std::uint64_t* words_;
    std::size_t at_ = 0;
    std::uint64_t bits_ = 0;
};

// The interior's columns of every tile column (padded with zeros to whole groups of four) and
// rows of every tile row, and the scratch bits sized to the grid.
void SizeMasks(StepState& s, int gw, int gh, int tilesX, int tilesY) {
    if (s.maskWidth == gw && s.maskHeight == gh && !s.columnMask.empty()) return;
    const int groupsX = (tilesX + 3) / 4;
    s.columnMask.assign(static_cast<std::size_t>(groupsX) * 4, 0);
    for (int x = 1; x <= gw - 2; ++x)
        s.columnMask[static_cast<std::size_t>(x >> 6)] |= std::uint64_t{1} << (x & 63);
    s.rowMask.assign(static_cast<std::size_t>(tilesY) * 16, 0);
    for (int y = 1; y <= gh - 2; ++y) s.rowMask[static_cast<std::size_t>(y)] = ~std::uint64_t{0};
    const std::size_t groups = static_cast<std::size_t>(groupsX) * tilesY;
    const std::size_t tiles = static_cast<std::size_t>(tilesX) * tilesY;
    s.activeBits.assign((groups + 63) / 64, 0);
    s.computedBits.assign((tiles + 63) / 64 + 1, 0);  // + 1: a row's spread may reach into it
    s.maskWidth = gw;
    s.maskHeight = gh;
}

stepk::RuleTerms TermsOf(const Rule& rule) {
    stepk::RuleTerms t;
    for (int k = 0; k <= 9; ++k) {
        const bool born = k <= 8 && rule.birthTable[static_cast<std::size_t>(k)] != 0;
        const bool stays = k >= 1 && rule.survivalTable[static_cast<std::size_t>(k - 1)] != 0;
        if (!born && !stays) continue;
        t.k[t.count] = k;
        t.flip[t.count] = born && !stays ? ~std::uint64_t{0} : 0;
        t.any[t.count] = born && stays ? ~std::uint64_t{0} : 0;
        ++t.count;
    }
    const std::array<int, 9> lifeS{0, 0, 1, 1, 0, 0, 0, 0, 0}, lifeB{0, 0, 0, 1, 0, 0, 0, 0, 0};
    t.life = rule.survivalTable == lifeS && rule.birthTable == lifeB;
    return t;
}

// A step's groups in chunks, and what each chunk found. Every chunk has room for four tiles a
// group from 4 × its first group on in records and in each list of lists.
struct ParallelJob {
    stepk::Job job;
    stepk::TileRecord* records = nullptr;
    std::int32_t* lists =
        nullptr;  // the written, changed and emptied-or-filled lists, each 4 × job.count
    std::uint16_t* pops = nullptr;  // live cells per tile of the buffer written to
    int chunkGroups = 0;
    int written[kChunks] = {}, changed[kChunks] = {}, flipped[kChunks] = {};
    std::int64_t population[kChunks] = {};  // change of the live cells
};

void RunChunk(void* data, int, int chunk) {
    auto& p = *static_cast<ParallelJob*>(data);
    stepk::Job part = p.job;
    const int begin = chunk * p.chunkGroups;
    const int end = std::min(p.job.count, begin + p.chunkGroups);
    part.count = std::max(0, end - begin);
    part.groups += begin;
    int records = 0;
    const std::ptrdiff_t at = 4 * static_cast<std::ptrdiff_t>(begin),
                         room = 4 * static_cast<std::ptrdiff_t>(p.job.count);
    stepk::TileRecord* r = p.records + at;
    Kernels().stepTiles(part, r, records);
    // The tiles' counts and the lists, here on the thread that made the records: each tile is
    // in one chunk only. Whether a tile has a live cell is a bit shared with its neighbours, so
    // the tiles that became empty or not are only listed.
    std::int32_t* written = p.lists + at;
    std::int32_t* changed = p.lists + room + at;
    std::int32_t* flipped = p.lists + 2 * room + at;
    int nw = 0, nc = 0, nf = 0;
    std::int64_t population = 0;
    const int tilesX = p.job.tilesX;
    for (int i = 0; i < records; ++i) {
        const stepk::TileRecord rec = r[i];
        const int t = rec.ty * tilesX + rec.tx;
        if ((rec.flags & stepk::kStored) != 0) {
            const int old = p.pops[t];
            p.pops[t] = rec.population;
            population += rec.population - old;
            if ((old == 0) != (rec.population == 0)) flipped[nf++] = t;
        }
        if ((rec.flags & stepk::kWritten) != 0) written[nw++] = t;
        if ((rec.flags & stepk::kChanged) != 0) changed[nc++] = t;
    }
    p.written[chunk] = nw;
    p.changed[chunk] = nc;
    p.flipped[chunk] = nf;
    p.population[chunk] = population;
}

}  // namespace

struct StepAccess {
    static CellGrid& plane(Field& f, int i) { return f.plane_[i]; }
    static StepState& state(Field& f) { return *f.step_; }
    static const StepState& state(const Field& f) { return *f.step_; }
};

void AdvanceGeneration(Field& field, const Rule& rule) {
    CellGrid& a = field.plane_[0];
    CellGrid& b = field.plane_[1];
    b.adviseLike(a);  // a dense generation is followed by another: huge pages for both
    StepState& s = *field.step_;
    if (!a.attached() || a.tileCount() == 0) return;
    const int tilesX = a.tilesX(), tilesY = a.tilesY();
    const int groupsX = (tilesX + 3) / 4;
    SizeMasks(s, field.gridWidth, field.gridHeight, tilesX, tilesY);
    const TileSplit split(tilesX);

    const bool fresh = !s.valid || s.survival != rule.survivalTable || s.birth != rule.birthTable;
    if (fresh) {
        // Afresh: two generations back counts as empty, so every tile with a cell counts as
        // written. The other buffer is not cleared first: the kernels rewrite what they compute
        // where it differs, and the tiles they do not compute are cleared after them.
        b.TakeJournal(s.journal);
        a.TakeJournal(s.journal);
        s.journal.clear();  // every tile with a cell instead: see forEachEdited
        s.dirty.clear();
        s.changed.clear();
        s.written.clear();
        s.survival = rule.survivalTable;
        s.birth = rule.birthTable;
        s.full = rule.birthTable[0] != 0;
        s.terms = TermsOf(rule);
        s.valid = true;
        s.changesKnown = false;
    } else {
        s.changesKnown = a.journalEmpty();
        a.TakeJournal(s.journal);
    }
    // The tiles written since the last step (on a fresh start: every tile with a cell).
    const auto forEachEdited = [&](auto&& f) {
        if (fresh) {
            a.forEachLiveTile(f);
        } else {
            for (int t : s.journal) {
                const stepk::GroupRef g = split(t);
                f(g.gx, g.ty);
            }
        }
    };
    const std::size_t edits = fresh ? static_cast<std::size_t>(a.liveTiles_) : s.journal.size();

    // The groups to compute: every one holding a tile next to a dirty or written tile.
    s.active.clear();
    if (s.full) {
        s.active.reserve(static_cast<std::size_t>(groupsX) * tilesY);
        for (int ty = 0; ty < tilesY; ++ty)
            for (int gx = 0; gx < groupsX; ++gx) s.active.push_back(stepk::GroupRef{gx, ty});
    } else {
        const std::size_t marks = s.written.size() + s.dirty.size() + edits;
        if (marks * 8 < static_cast<std::size_t>(groupsX) * tilesY) {
            // Few marks: each one's neighbours.
            const auto activate = [&](int tx, int ty) {
                const int g0 = (tx > 0 ? tx - 1 : 0) >> 2,
                          g1 = (tx + 1 < tilesX ? tx + 1 : tx) >> 2;
                const int y0 = ty > 0 ? ty - 1 : 0, y1 = ty + 1 < tilesY ? ty + 1 : ty;
                for (int y = y0; y <= y1; ++y)
                    for (int gx = g0; gx <= g1; ++gx) {
                        const int n = y * groupsX + gx;
                        if (TestBit(s.activeBits, n)) continue;
                        SetBit(s.activeBits, n);
                        s.active.push_back(stepk::GroupRef{gx, y});
                        const int t0 = y * tilesX + 4 * gx;
                        for (int j = 0, m = std::min(4, tilesX - 4 * gx); j < m; ++j)
                            SetBit(s.computedBits, t0 + j);
                    }
            };
            for (int t : s.written) {
                const stepk::GroupRef g = split(t);
                activate(g.gx, g.ty);
            }
            for (int t : s.dirty) {
                const stepk::GroupRef g = split(t);
                activate(g.gx, g.ty);
            }
            forEachEdited(activate);
        } else {
            // Many: the marks as rows of bits, spread to their neighbours word by word. They are
            // set first by tile index in one run of bits (the lists come mostly in order), then
            // cut into rows.
            const int words = (tilesX + 63) / 64;
            const std::size_t tiles = static_cast<std::size_t>(tilesX) * tilesY;
            s.flatMarks.assign((tiles + 63) / 64 + 1, 0);
            if (fresh)  // every tile with a cell: the grid's own bits
                std::memcpy(s.flatMarks.data(), a.occupied_,
                            (tiles + 63) / 64 * sizeof(std::uint64_t));
            {
                BitRun marks(s.flatMarks.data());
                for (int t : s.written) marks.add(static_cast<std::size_t>(t));
                for (int t : s.dirty) marks.add(static_cast<std::size_t>(t));
                for (int t : s.journal) marks.add(static_cast<std::size_t>(t));
            }
            s.markRows.resize(static_cast<std::size_t>(words) * tilesY);
            for (int ty = 0; ty < tilesY; ++ty)
                for (int w = 0; w < words; ++w) {
                    const std::size_t at =
                        static_cast<std::size_t>(ty) * tilesX + static_cast<std::size_t>(w) * 64;
                    const int shift = static_cast<int>(at & 63);
                    std::uint64_t bits = s.flatMarks[at >> 6] >> shift;
                    if (shift != 0) bits |= s.flatMarks[(at >> 6) + 1] << (64 - shift);
                    if (w == words - 1 && (tilesX & 63) != 0)
                        bits &= (std::uint64_t{1} << (tilesX & 63)) - 1;
                    s.markRows[static_cast<std::size_t>(ty) * words + static_cast<std::size_t>(w)] =
                        bits;
                }
            const std::uint64_t lastWord =
                (tilesX & 63) == 0 ? ~std::uint64_t{0} : (std::uint64_t{1} << (tilesX & 63)) - 1;
            std::vector<std::uint64_t>& near = s.nearRow;
            near.assign(static_cast<std::size_t>(words), 0);
            for (int ty = 0; ty < tilesY; ++ty) {
                const std::uint64_t* above =
                    ty > 0 ? &s.markRows[static_cast<std::size_t>(ty - 1) * words] : nullptr;
                const std::uint64_t* here = &s.markRows[static_cast<std::size_t>(ty) * words];
                const std::uint64_t* below =
                    ty + 1 < tilesY ? &s.markRows[static_cast<std::size_t>(ty + 1) * words]
                                    : nullptr;
                bool any = false;
                for (int w = 0; w < words; ++w) {
                    near[static_cast<std::size_t>(w)] = here[w] |
                                                        (above != nullptr ? above[w] : 0) |
                                                        (below != nullptr ? below[w] : 0);
                    any |= near[static_cast<std::size_t>(w)] != 0;
                }
                if (!any) continue;
                for (int w = 0; w < words; ++w) {
                    const std::uint64_t d = near[static_cast<std::size_t>(w)];
                    const std::uint64_t fromLeft =
                        w > 0 ? near[static_cast<std::size_t>(w - 1)] >> 63 : 0;
                    const std::uint64_t fromRight =
                        w + 1 < words ? near[static_cast<std::size_t>(w + 1)] << 63 : 0;
                    std::uint64_t e = d | d << 1 | fromLeft | d >> 1 | fromRight;
                    if (w == words - 1) e &= lastWord;
                    if (e == 0) continue;
                    // A group is four tiles: a nibble of the word.
                    e |= e >> 1;
                    e |= e >> 2;
                    std::uint64_t groups = e & 0x1111111111111111ull;
                    const std::uint64_t tiles =
                        groups * 0xF & (w == words - 1 ? lastWord : ~std::uint64_t{0});
                    const std::size_t flat =
                        static_cast<std::size_t>(ty) * tilesX + static_cast<std::size_t>(w) * 64;
                    s.computedBits[flat >> 6] |= tiles << (flat & 63);
                    if ((flat & 63) != 0)
                        s.computedBits[(flat >> 6) + 1] |= tiles >> (64 - (flat & 63));
                    while (groups != 0) {
                        const int gx = w * 16 + (std::countr_zero(groups) >> 2);
                        groups &= groups - 1;
                        s.active.push_back(stepk::GroupRef{gx, ty});
                    }
                }
            }
            s.spread = true;
        }
    }
    const std::size_t records = 4 * s.active.size();
    if (s.records.size() < records) s.records.resize(records);
    if (s.lists.size() < 3 * records) s.lists.resize(3 * records);

    stepk::Job job;
    job.from = a.tileWords(0, 0);
    job.to = b.mutableTileWords(0);
    job.tilesX = tilesX;
    job.tilesY = tilesY;
    job.rule = s.terms;
    job.columnMask = s.columnMask.data();
    job.rowMask = s.rowMask.data();
    job.groups = s.active.data();
    job.count = static_cast<int>(s.active.size());
    job.fresh = fresh;

    // Large steps share their groups with the helper thread, in chunks.
    ParallelJob parallel;
    parallel.job = job;
    parallel.records = s.records.data();
    parallel.lists = s.lists.data();
    parallel.pops = b.tilePop_;
    int chunks = 1;
    stepk::Helper* helper = static_cast<std::int64_t>(job.count) * 4096 >= parallelCells
                                ? stepk::Helper::Get()
                                : nullptr;
    if (helper != nullptr) {
        chunks = kChunks;
        parallel.chunkGroups = (job.count + chunks - 1) / chunks;
        helper->Run(RunChunk, &parallel, chunks);
    } else {
        parallel.chunkGroups = job.count;
        RunChunk(&parallel, 0, 0);
    }

    // Gather the chunks: the count, the tiles that became empty or not, and the lists for the
    // next step: written, the tiles that differ from two generations back; changed, those that
    // differ from the current one; dirty, the tiles written from outside (on a fresh start:
    // every tile with a cell), which differ from two generations back as far as anyone knows.
    s.nextWritten.clear();
    s.nextChanged.clear();
    s.nextDirty.clear();
    const std::ptrdiff_t room = 4 * static_cast<std::ptrdiff_t>(job.count);
    for (int c = 0; c < chunks; ++c) {
        const std::ptrdiff_t at = 4 * static_cast<std::ptrdiff_t>(c) * parallel.chunkGroups;
        const std::int32_t* lists = s.lists.data() + at;
        s.nextWritten.insert(s.nextWritten.end(), lists, lists + parallel.written[c]);
        s.nextChanged.insert(s.nextChanged.end(), lists + room, lists + room + parallel.changed[c]);
        for (int i = 0; i < parallel.flipped[c]; ++i) {
            const int t = lists[2 * room + i];
            b.setOccupied(t, b.tilePop_[t] != 0);
        }
        b.population_ += parallel.population[c];
    }
    if (fresh) {
        // The tile indices straight from the grid's bits, through a plain pointer.
        s.nextDirty.resize(static_cast<std::size_t>(a.liveTiles_));
        std::int32_t* out = s.nextDirty.data();
        for (std::size_t w = 0, words = (static_cast<std::size_t>(a.tileCount()) + 63) / 64;
             w < words; ++w)
            for (std::uint64_t bits = a.occupied_[w]; bits != 0; bits &= bits - 1)
                *out++ = static_cast<std::int32_t>(w * 64) + std::countr_zero(bits);
    } else
        s.nextDirty.assign(s.journal.begin(), s.journal.end());
    if (fresh && !s.full) {
        // What the other buffer held where nothing was computed: the next state there is empty.
        for (std::size_t w = 0, words = (static_cast<std::size_t>(b.tileCount()) + 63) / 64;
             w < words; ++w) {
            std::uint64_t stale = b.occupied_[w] & ~s.computedBits[w];
            while (stale != 0) {
                b.wipeTile(static_cast<int>(w * 64) + std::countr_zero(stale));
                stale &= stale - 1;
            }
        }
    }
    if (!s.full) {
        // A tile not computed takes the state of two generations back: it changes again exactly
        // when it changed in the last step.
        for (int t : s.changed)
            if (!TestBit(s.computedBits, t)) s.nextChanged.push_back(t);
        if (s.spread) {
            std::fill(s.computedBits.begin(), s.computedBits.end(), 0);
            s.spread = false;
        } else {
            for (const stepk::GroupRef& g : s.active) {
                ClearBit(s.activeBits, g.ty * groupsX + g.gx);
                const int t0 = g.ty * tilesX + 4 * g.gx;
                for (int j = 0, m = std::min(4, tilesX - 4 * g.gx); j < m; ++j)
                    ClearBit(s.computedBits, t0 + j);
            }
        }
    }
    s.dirty.swap(s.nextDirty);
    s.changed.swap(s.nextChanged);
    s.written.swap(s.nextWritten);
    a.swap(b);
}

StepChanges LastStepChanges(const Field& field) {
    const StepState& s = StepAccess::state(field);
    return StepChanges{s.valid && s.changesKnown, &s.changed, &s.written};
}

void SetParallelStepCells(std::int64_t cells) {
    parallelCells = cells > 0 ? cells : kDefaultParallelCells;
}

const char* StepKernelName() { return Kernels().name; }

bool SelectStepKernels(const char* name) {
    const std::string_view wanted(name);
    const stepk::Kernels widest = ChooseKernels(true);
    const stepk::Kernels narrower = ChooseKernels(false);
    for (const stepk::Kernels& k : {widest, narrower, stepk::GenericKernels()})
        if (wanted == k.name) {
            Kernels() = k;
            return true;
        }
    return false;
}

}  // namespace gb
