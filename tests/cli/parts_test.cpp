// The tool's parts on their own: the extent and the packed copies the statistics rows and the
// picture frames take, the exact copies of a Field, the settling watch against a watch that keeps
// every generation, the JSON strings and the command line.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/extent.h"
#include "engine/field.h"
#include "engine/rule.h"
#include "engine/step.h"
#include "frontends/cli/arguments.h"
#include "frontends/cli/report.h"
#include "frontends/cli/study.h"
#include "session/context.h"
#include "tests/support/byte_extent.h"
#include "tests/support/field_fixture.h"
#include "tests/support/session_fixture.h"

namespace gb::cli {
namespace {

struct Board : test::TestContext {
    Board(int w, int h, const char* rule = "23/3") : TestContext(w, h) {
        ctx.rule.ruleText = ParseRuleTables(ctx.rule, rule);
    }
    Field& f() { return ctx.field; }
    // Live cells with the given chance in a box of the interior (dead ones cleared).
    void Soup(unsigned seed, double chance, int x0, int y0, int w, int h) {
        std::mt19937 rng(seed);
        std::bernoulli_distribution live(chance);
        for (int y = y0; y < y0 + h && y < f().gridHeight - 1; ++y)
            for (int x = x0; x < x0 + w && x < f().gridWidth - 1; ++x)
                f().setCell(x, y, live(rng) ? 1 : 0);
    }
    void Step() { AdvanceGeneration(f(), ctx.rule); }
};

const test::Cells kGlider = {{11, 10}, {12, 11}, {10, 12}, {11, 12}, {12, 12}};

using Runs = std::vector<std::pair<int, int>>;

// Row y's runs within left .. right from the Field's cells as bytes, one cell at a time.
Runs RunsOfBytes(const Field& f, const std::vector<std::int8_t>& bytes, int y, int left,
                 int right) {
    Runs runs;
    for (int x = std::max(left, 0); x <= std::min(right, f.gridWidth - 1); ++x) {
        if (bytes[static_cast<std::size_t>(y) * static_cast<std::size_t>(f.gridWidth) +
                  static_cast<std::size_t>(x)] == 0)
            continue;
        if (!runs.empty() && runs.back().second == x - 1)
            runs.back().second = x;
        else
            runs.emplace_back(x, x);
    }
    return runs;
}

// What a statistics row and a picture frame take of the Field, checked against its cells read
// one byte at a time: the extent, and the packed copy's runs of every row of the extent, whole
// and between columns cut at random.
void ExpectStudyMatchesBytes(const Field& f, unsigned seed, const std::string& where) {
    const std::vector<std::int8_t> bytes = CellBytes(f);
    const Extent extent = FieldExtent(f);
    EXPECT_TRUE(test::SameExtent(extent, test::ByteExtent(bytes.data(), f.gridWidth, f.gridHeight)))
        << where;
    const PackedCells packed = PackCells(f, extent);
    if (!extent.found) {
        EXPECT_TRUE(packed.bits.empty()) << where;
        return;
    }
    std::mt19937 rng(seed);
    for (int y = extent.top - 1; y <= extent.bottom + 1; ++y) {
        const int a =
            extent.left - 2 + static_cast<int>(rng() % static_cast<unsigned>(extent.width + 4));
        const int b =
            extent.left - 2 + static_cast<int>(rng() % static_cast<unsigned>(extent.width + 4));
        for (const auto& [left, right] :
             {std::make_pair(0, f.gridWidth - 1), std::make_pair(std::min(a, b), std::max(a, b))}) {
            Runs runs;
            packed.forEachRun(y, left, right, [&](int x0, int x1) { runs.emplace_back(x0, x1); });
            ASSERT_EQ(runs,
                      y < 0 || y >= f.gridHeight ? Runs{} : RunsOfBytes(f, bytes, y, left, right))
                << where << " row " << y << " columns " << left << ".." << right;
        }
    }
}

TEST(Study, ExtentAndPackedCopyOfSingleCellsAndSoups) {
    // Narrow, word-sized and odd widths, rows that cross a 64-bit word; single cells at every
    // position of the interior and soups in random boxes.
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{
             {1, 1}, {3, 5}, {6, 2}, {13, 4}, {62, 3}, {63, 17}, {70, 33}, {200, 9}}) {
        Board b(w, h);
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        ExpectStudyMatchesBytes(b.f(), 0, size + " empty");
        for (int y = 1; y <= h; ++y)
            for (int x = 1; x <= w; ++x) {
                ClearCells(b.f());
                b.f().setCell(x, y, 1);
                ExpectStudyMatchesBytes(
                    b.f(), static_cast<unsigned>(x * 131 + y),
                    size + " at " + std::to_string(x) + "," + std::to_string(y));
            }
        for (unsigned seed = 0; seed < 20; ++seed) {
            ClearCells(b.f());
            std::mt19937 rng(seed);
            b.Soup(seed, 0.02 + 0.2 * (seed % 4),
                   1 + static_cast<int>(rng() % static_cast<unsigned>(w)),
                   1 + static_cast<int>(rng() % static_cast<unsigned>(h)),
                   1 + static_cast<int>(rng() % 150), 1 + static_cast<int>(rng() % 20));
            ExpectStudyMatchesBytes(b.f(), seed, size + " soup " + std::to_string(seed));
        }
    }
}

TEST(Study, ExtentAndPackedCopyFollowARun) {
    // Gliders flying apart and a soup dying down, under Life and under seeds ("B2/S"), looked at
    // every generation; a write other than a step included.
    for (const char* rule : {"23/3", "/2"}) {
        Board b(300, 140, rule);
        b.Soup(11, 0.4, 120, 50, 30, 30);
        test::Place(b.f(), kGlider);
        ExpectStudyMatchesBytes(b.f(), 0, std::string(rule) + " start");
        for (int g = 1; g <= 300; ++g) {
            b.Step();
            if (g == 150) {
                b.f().setCell(300, 140, 1);
                b.Step();
            }
            ExpectStudyMatchesBytes(b.f(), static_cast<unsigned>(g),
                                    std::string(rule) + " at " + std::to_string(g));
        }
    }
}

TEST(Study, SnapshotsPutBackTheCellsAndCompareExactly) {
    Board b(150, 40);
    b.Soup(7, 0.3, 5, 3, 140, 30);
    const std::vector<std::int8_t> before = CellBytes(b.f());
    const Field::Snapshot s = b.f().snapshotCells();
    EXPECT_TRUE(SameCells(b.f().snapshotCells(), s));

    b.Soup(8, 0.5, 1, 1, 150, 40);
    EXPECT_FALSE(SameCells(b.f().snapshotCells(), s));
    b.Step();  // the step remembers this Field: the restore must make it look again
    b.f().restoreCells(s);
    EXPECT_EQ(CellBytes(b.f()), before);
    EXPECT_TRUE(SameCells(b.f().snapshotCells(), s));
    std::vector<std::int8_t> next = before;
    ReferenceStep(next, b.f().gridWidth, b.f().gridHeight, b.ctx.rule);
    b.Step();
    EXPECT_EQ(CellBytes(b.f()), next);

    // One cell more, one cell moved (the count kept): each is a difference.
    b.f().restoreCells(s);
    b.f().setCell(2, 2, 1);
    EXPECT_FALSE(SameCells(b.f().snapshotCells(), s));
    b.f().restoreCells(s);
    int x = 5;
    while (b.f().at(x, 3) == 0) ++x;
    b.f().setCell(x, 3, 0);
    b.f().setCell(149, 39, 1);
    EXPECT_FALSE(SameCells(b.f().snapshotCells(), s));

    ClearCells(b.f());
    const Field::Snapshot empty = b.f().snapshotCells();
    EXPECT_TRUE(SameCells(empty, b.f().snapshotCells()));
    EXPECT_FALSE(SameCells(empty, s));
    Board other(151, 40);
    EXPECT_FALSE(SameCells(empty, other.f().snapshotCells()));  // same cells, another size
}

using Settled = std::optional<std::pair<std::int64_t, int>>;

// The first generation equal to one of the last maxPeriod ones, found by keeping them all.
Settled SettledByKeepingAll(Board& b, int maxPeriod, std::int64_t limit) {
    std::vector<std::vector<std::int8_t>> seen{CellBytes(b.f())};
    for (std::int64_t g = 1; g <= limit; ++g) {
        b.Step();
        seen.push_back(CellBytes(b.f()));
        for (int p = 1; p <= maxPeriod && p <= g; ++p)
            if (seen[static_cast<std::size_t>(g - p)] == seen.back()) return std::make_pair(g, p);
    }
    return std::nullopt;
}

Settled SettledByWatch(Board& b, int maxPeriod, std::int64_t limit, bool everything) {
    SettleWatch watch(b.f(), b.ctx.rule, maxPeriod);
    watch.hashEverything(everything);
    for (std::int64_t g = 1; g <= limit; ++g) {
        b.Step();
        if (const auto p = watch.afterStep(g)) return std::make_pair(g, *p);
    }
    return std::nullopt;
}

TEST(SettleWatch, FindsWhatKeepingEveryGenerationFinds) {
    // Soups on Fields whose last tiles are cut short, under Life and under HighLife, with
    // periods that must be found and ones too long to be.
    struct Case {
        int w, h;
        unsigned seed;
        const char* rule;
        int maxPeriod;
    };
    int settledCases = 0;
    for (const Case& c :
         {Case{100, 70, 1, "23/3", 10}, Case{100, 70, 2, "23/3", 1}, Case{70, 40, 3, "23/36", 60},
          Case{130, 20, 4, "23/3", 2}, Case{40, 40, 5, "23/3", 15}, Case{64, 32, 6, "23/3", 30}}) {
        const std::string where =
            std::to_string(c.w) + "x" + std::to_string(c.h) + " seed " + std::to_string(c.seed);
        Settled results[3];
        for (int way = 0; way < 3; ++way) {
            Board b(c.w, c.h, c.rule);
            b.Soup(c.seed, 0.35, 1, 1, c.w, c.h);
            results[way] = way == 0 ? SettledByKeepingAll(b, c.maxPeriod, 3000)
                                    : SettledByWatch(b, c.maxPeriod, 3000, way == 2);
        }
        settledCases += results[0].has_value() ? 1 : 0;
        EXPECT_EQ(results[1], results[0]) << where;
        EXPECT_EQ(results[2], results[0]) << where;
    }
    EXPECT_GE(settledCases, 4);  // most settle in time; period 1 alone rarely does
}

TEST(SettleWatch, HashesOnlyWhatChangedYetAlwaysTheWholeField) {
    // The tiles hashed again are the ones the step changed; any tile missed shows as a hash that
    // differs from one computed over every tile. Cells written between two steps included.
    for (const auto& [w, h] :
         std::vector<std::pair<int, int>>{{100, 70}, {64, 16}, {200, 37}, {5, 5}}) {
        Board b(w, h);
        b.Soup(static_cast<unsigned>(w * h), 0.4, 1, 1, w, h);
        SettleWatch quick(b.f(), b.ctx.rule, 50), full(b.f(), b.ctx.rule, 50);
        full.hashEverything(true);
        for (std::int64_t g = 1; g <= 400; ++g) {
            if (g % 97 == 0) b.Soup(static_cast<unsigned>(g), 0.3, w / 2, h / 2, 6, 6);
            b.Step();
            const auto a = quick.afterStep(g);
            const auto c = full.afterStep(g);
            ASSERT_EQ(quick.hash(), full.hash()) << w << "x" << h << " generation " << g;
            ASSERT_EQ(a, c);
        }
    }
    // A block written into a still Field between two steps: the step changes nothing, so only
    // the write tells that its tile must be hashed again.
    Board b(200, 40);
    test::Place(b.f(), {{10, 10}, {11, 10}, {10, 11}, {11, 11}});
    SettleWatch quick(b.f(), b.ctx.rule, 50), full(b.f(), b.ctx.rule, 50);
    full.hashEverything(true);
    for (std::int64_t g = 1; g <= 6; ++g) {
        if (g == 4) test::Place(b.f(), {{150, 30}, {151, 30}, {150, 31}, {151, 31}});
        b.Step();
        EXPECT_EQ(quick.afterStep(g), full.afterStep(g));
        ASSERT_EQ(quick.hash(), full.hash()) << "still Field, generation " << g;
    }
}

TEST(SettleWatch, ConfirmsOnTheCellsAfterGoingBack) {
    // A blinker far from generation 0 with a long period allowed: the candidate lies between
    // two saved copies, so the watch must run a copy forward and still put the Field back.
    Board b(50, 50), copy(50, 50);
    test::Place(b.f(), {{10, 10}, {11, 10}, {12, 10}});
    // A glider that dies on the border keeps it unsettled for a while.
    test::Place(b.f(), {{31, 30}, {32, 31}, {30, 32}, {31, 32}, {32, 32}});
    copy.f().restoreCells(b.f().snapshotCells());
    const Settled expected = SettledByKeepingAll(copy, 1000, 500);
    ASSERT_TRUE(expected.has_value());
    EXPECT_EQ(expected->second, 2);

    SettleWatch watch(b.f(), b.ctx.rule, 1000);
    Settled found;
    for (std::int64_t g = 1; g <= 500 && !found; ++g) {
        b.Step();
        if (const auto p = watch.afterStep(g)) found = std::make_pair(g, *p);
    }
    EXPECT_EQ(found, expected);
    // The Field is generation G again, not the copy run forward.
    EXPECT_EQ(CellBytes(b.f()), CellBytes(copy.f()));
}

TEST(Json, StringsAreEscapedAndAlwaysUtf8) {
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("a\"b\\c\nd\te\x01"), "\"a\\\"b\\\\c\\nd\\te\\u0001\"");
    EXPECT_EQ(JsonString("グライダー"), "\"グライダー\"");
    EXPECT_EQ(JsonString("\xF0\x9F\x98\x80"), "\"\xF0\x9F\x98\x80\"");
    // Shift-JIS bytes, a lone continuation byte, a cut sequence, an overlong form, a surrogate.
    EXPECT_EQ(JsonString("\x83\x4f"), "\"\xEF\xBF\xBD\x4f\"");
    EXPECT_EQ(JsonString("a\x80"
                         "b"),
              "\"a\xEF\xBF\xBD"
              "b\"");
    EXPECT_EQ(JsonString("\xE3\x81"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonString("\xC0\xAF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

TEST(Arguments, EveryFormOfAnOption) {
    const auto parse = [](std::vector<std::string> args) { return ParseArguments(args); };
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"run", "a.rle", "-g", "8", "-r", "B36/S23"},
             {"run", "a.rle", "-g8", "-rB36/S23"},
             {"run", "a.rle", "--generations", "8", "--rule", "B36/S23"},
             {"run", "a.rle", "--generations=8", "--rule=B36/S23"},
             {"-g", "8", "--rule=B36/S23", "run", "a.rle"},
             {"--gen=8", "run", "-r", "B36/S23", "a.rle"}}) {
        const ParsedArguments p = parse(args);
        ASSERT_EQ(p.error, "") << args[0];
        EXPECT_EQ(p.options.command, Command::Run);
        EXPECT_EQ(p.options.input, "a.rle");
        EXPECT_EQ(p.options.generations, 8);
        EXPECT_EQ(p.options.rule, "B36/S23");
    }
    // "--" ends the options: what follows is an operand, even "-g".
    const ParsedArguments dashed = parse({"run", "--", "-g"});
    EXPECT_EQ(dashed.error, "");
    EXPECT_EQ(dashed.options.input, "-g");
    // "-" is standard input, not an option.
    EXPECT_EQ(parse({"run", "-", "-g", "2"}).options.input, "-");

    const Options settle = parse({"run", "a", "--until", "settled"}).options;
    EXPECT_EQ(settle.limit(), kSettleLimit);
    EXPECT_EQ(settle.maxPeriod, kDefaultMaxPeriod);
    EXPECT_EQ(parse({"run", "a", "--until=settled", "-g", "0"}).options.limit(), 0);
    const Options pictures =
        parse({"run", "a", "--png", "p.png", "--gif=g.gif", "--cell", "20", "--crop", "--live",
               "#00ff80", "--back", "102030", "--delay", "0", "--every", "3"})
            .options;
    EXPECT_EQ(pictures.cell, 20);
    EXPECT_TRUE(pictures.crop);
    EXPECT_EQ(pictures.live, 0x00FF80u);
    EXPECT_EQ(pictures.back, 0x102030u);
    EXPECT_EQ(pictures.delayMs, 0);
    EXPECT_EQ(pictures.every, 3);
    EXPECT_TRUE(pictures.statsToStdout());
    const Options file = parse({"run", "a", "--stats", "s.csv", "--as", "TXT", "-o", "-"}).options;
    EXPECT_EQ(file.every, 0);
    EXPECT_EQ(file.frameEvery(), 1);
    EXPECT_FALSE(file.statsToStdout());
    EXPECT_EQ(file.as, Format::Text);
}

TEST(Arguments, ColoursAndCounts) {
    EXPECT_EQ(ParseColour("FF0000"), 0xFF0000u);
    EXPECT_EQ(ParseColour("#0a0B0c"), 0x0A0B0Cu);
    for (const char* bad : {"", "#", "FF000", "FF00000", "GG0000", "0xFF00", "ff 000"})
        EXPECT_FALSE(ParseColour(bad)) << bad;
}

}  // namespace
}  // namespace gb::cli
