// The tool's parts on their own: the quick extent, the exact copies of a Field, the settling
// watch against a watch that keeps every generation, the JSON strings and the command line.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/engine/extent.h"
#include "core/engine/field.h"
#include "core/engine/rule.h"
#include "core/engine/step.h"
#include "frontends/cli/arguments.h"
#include "frontends/cli/report.h"
#include "frontends/cli/study.h"
#include "tests/support/scripted_host.h"

namespace gb::cli {
namespace {

struct Board {
    test::ScriptedHost host;
    Context ctx{host};
    Board(int w, int h) {
        SetFieldSize(ctx.field, w, h);
        EXPECT_EQ(AllocateCells(ctx, ctx.field.gridWidth, ctx.field.gridHeight), kAllocOk);
        ctx.field.cellsAllocated = 1;
        ClearCells(ctx.field);
    }
    Field& f() { return ctx.field; }
    // Live cells with the given chance in a box of the interior.
    void Soup(unsigned seed, double chance, int x0, int y0, int w, int h) {
        std::mt19937 rng(seed);
        std::bernoulli_distribution live(chance);
        for (int y = y0; y < y0 + h && y < f().gridHeight - 1; ++y)
            for (int x = x0; x < x0 + w && x < f().gridWidth - 1; ++x) f().at(x, y) = live(rng) ? 1 : 0;
        NoteCellsChanged(f());
    }
};

void ExpectSameExtent(const Extent& a, const Extent& b, const std::string& where) {
    EXPECT_EQ(a.found, b.found) << where;
    if (!a.found || !b.found) return;
    EXPECT_EQ((std::vector<int>{a.left, a.top, a.right, a.bottom, a.width, a.height}),
              (std::vector<int>{b.left, b.top, b.right, b.bottom, b.width, b.height}))
        << where;
}

TEST(QuickExtent, MatchesTheFullScanEverywhere) {
    // Narrow, word-sized and odd widths; single cells at every corner and edge; the border too.
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {3, 5}, {6, 2}, {7, 9}, {8, 8}, {13, 4}, {70, 33}}) {
        Board b(w, h);
        ExpectSameExtent(QuickExtent(b.f()), FieldExtent(b.f()), "empty");
        const int gw = b.f().gridWidth, gh = b.f().gridHeight;
        for (int y = 0; y < gh; ++y)
            for (int x = 0; x < gw; ++x) {
                ClearCells(b.f());
                b.f().at(x, y) = (x + y) % 3 == 0 ? 1 : -3;
                NoteCellWritten(b.f(), x, y);
                ExpectSameExtent(QuickExtent(b.f()), FieldExtent(b.f()),
                                 std::to_string(w) + "x" + std::to_string(h) + " at " + std::to_string(x) + "," + std::to_string(y));
            }
        for (unsigned seed = 0; seed < 20; ++seed) {
            ClearCells(b.f());
            std::mt19937 rng(seed);
            b.Soup(seed, 0.02 + 0.05 * (seed % 4), 1 + static_cast<int>(rng() % static_cast<unsigned>(w)),
                   1 + static_cast<int>(rng() % static_cast<unsigned>(h)), 1 + static_cast<int>(rng() % 40), 1 + static_cast<int>(rng() % 20));
            ExpectSameExtent(QuickExtent(b.f()), FieldExtent(b.f()), "soup " + std::to_string(seed));
        }
    }
}

TEST(ExtentWatch, FollowsARunReadingOnlyWhereLifeCanBe) {
    // Gliders flying apart and a soup dying down, under Life and under seeds ("B2/S"), with the
    // extent asked every generation and every seventh; a write other than a step included.
    for (const char* rule : {"23/3", "/2"}) {
        for (int every : {1, 7}) {
            Board b(300, 140);
            b.ctx.rule.ruleText = ParseRuleTables(b.ctx.rule, rule);
            b.Soup(11, 0.4, 120, 50, 30, 30);
            for (const auto& [x, y] : std::vector<std::pair<int, int>>{{11, 10}, {12, 11}, {10, 12}, {11, 12}, {12, 12}})
                b.f().at(x, y) = 1;
            NoteCellsChanged(b.f());
            ExtentWatch watch;
            ExpectSameExtent(watch.extent(b.f()), FieldExtent(b.f()), "start");
            for (int g = 1; g <= 300; ++g) {
                AdvanceGeneration(b.f(), b.ctx.rule);
                watch.afterStep(b.f());
                if (g == 150) {  // cells set outside any step: the whole Field is read again
                    b.f().at(299, 139) = 1;
                    NoteCellsChanged(b.f());
                    AdvanceGeneration(b.f(), b.ctx.rule);
                    watch.afterStep(b.f());
                }
                if (g % every == 0)
                    ExpectSameExtent(watch.extent(b.f()), FieldExtent(b.f()),
                                     std::string(rule) + " every " + std::to_string(every) + " at " + std::to_string(g));
            }
        }
    }
}

TEST(Snapshot, PutsBackEveryByteAndComparesExactly) {
    Board b(90, 40);
    b.Soup(7, 0.3, 5, 3, 80, 30);
    b.f().at(40, 20) = 2;   // bytes other than 0 and 1 are kept as they are
    b.f().at(41, 20) = -1;
    const std::vector<std::int8_t> before(b.f().plane0(), b.f().plane0() + b.f().planeSize);
    const Snapshot s = TakeSnapshot(b.f());
    EXPECT_EQ(s.others.size(), 2u);

    b.Soup(8, 0.5, 1, 1, 90, 40);
    EXPECT_FALSE(SameCells(TakeSnapshot(b.f()), s));
    const std::uint64_t stamp = b.f().changeStamp;
    RestoreSnapshot(b.f(), s);
    EXPECT_GT(b.f().changeStamp, stamp);  // the step must look at the whole Field again
    EXPECT_EQ(std::vector<std::int8_t>(b.f().plane0(), b.f().plane0() + b.f().planeSize), before);
    EXPECT_TRUE(SameCells(TakeSnapshot(b.f()), s));

    // One cell more, one cell moved, one byte changed in kind: each is a difference.
    b.f().at(2, 2) = 1;
    EXPECT_FALSE(SameCells(TakeSnapshot(b.f()), s));
    RestoreSnapshot(b.f(), s);
    b.f().at(40, 20) = 1;
    EXPECT_FALSE(SameCells(TakeSnapshot(b.f()), s));

    ClearCells(b.f());
    const Snapshot empty = TakeSnapshot(b.f());
    EXPECT_FALSE(empty.box.found);
    EXPECT_TRUE(SameCells(empty, TakeSnapshot(b.f())));
    EXPECT_FALSE(SameCells(empty, s));
}

// The first generation equal to one of the last maxPeriod ones, found by keeping them all.
std::optional<std::pair<std::int64_t, int>> SettledByKeepingAll(Board& b, int maxPeriod, std::int64_t limit) {
    std::vector<Snapshot> seen{TakeSnapshot(b.f())};
    for (std::int64_t g = 1; g <= limit; ++g) {
        AdvanceGeneration(b.f(), b.ctx.rule);
        seen.push_back(TakeSnapshot(b.f()));
        for (int p = 1; p <= maxPeriod && p <= g; ++p)
            if (SameCells(seen[static_cast<std::size_t>(g - p)], seen.back())) return std::make_pair(g, p);
    }
    return std::nullopt;
}

std::optional<std::pair<std::int64_t, int>> SettledByWatch(Board& b, int maxPeriod, std::int64_t limit, bool everything) {
    SettleWatch watch(b.f(), b.ctx.rule, maxPeriod);
    watch.hashEverything(everything);
    for (std::int64_t g = 1; g <= limit; ++g) {
        AdvanceGeneration(b.f(), b.ctx.rule);
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
    for (const Case& c : {Case{100, 70, 1, "23/3", 10}, Case{100, 70, 2, "23/3", 1}, Case{70, 40, 3, "23/36", 60},
                          Case{130, 20, 4, "23/3", 2}, Case{40, 40, 5, "23/3", 15}, Case{64, 32, 6, "23/3", 30}}) {
        const std::string where = std::to_string(c.w) + "x" + std::to_string(c.h) + " seed " + std::to_string(c.seed);
        std::optional<std::pair<std::int64_t, int>> results[3];
        for (int way = 0; way < 3; ++way) {
            Board b(c.w, c.h);
            b.ctx.rule.ruleText = ParseRuleTables(b.ctx.rule, c.rule);
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
    // The tiles hashed again are the ones the step marked; any tile missed shows as a hash that
    // differs from one computed over every tile.
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{100, 70}, {64, 16}, {200, 37}, {5, 5}}) {
        Board b(w, h);
        b.Soup(static_cast<unsigned>(w * h), 0.4, 1, 1, w, h);
        SettleWatch quick(b.f(), b.ctx.rule, 50), full(b.f(), b.ctx.rule, 50);
        full.hashEverything(true);
        for (std::int64_t g = 1; g <= 400; ++g) {
            AdvanceGeneration(b.f(), b.ctx.rule);
            const auto a = quick.afterStep(g);
            const auto c = full.afterStep(g);
            ASSERT_EQ(quick.hash(), full.hash()) << w << "x" << h << " generation " << g;
            ASSERT_EQ(a, c);
        }
    }
}

TEST(SettleWatch, ConfirmsOnTheCellsAfterGoingBack) {
    // A blinker far from generation 0 with a long period allowed: the candidate lies between
    // two saved copies, so the watch must run a copy forward and still put the Field back.
    Board b(50, 50);
    b.f().at(10, 10) = b.f().at(11, 10) = b.f().at(12, 10) = 1;
    // A glider that dies on the border keeps it unsettled for a while.
    b.f().at(31, 30) = b.f().at(32, 31) = b.f().at(30, 32) = b.f().at(31, 32) = b.f().at(32, 32) = 1;
    NoteCellsChanged(b.f());
    Board copy(50, 50);
    std::copy(b.f().plane0(), b.f().plane0() + b.f().planeSize, copy.f().plane0());
    NoteCellsChanged(copy.f());
    const auto expected = SettledByKeepingAll(copy, 1000, 500);
    ASSERT_TRUE(expected.has_value());
    EXPECT_EQ(expected->second, 2);

    SettleWatch watch(b.f(), b.ctx.rule, 1000);
    std::optional<std::pair<std::int64_t, int>> found;
    for (std::int64_t g = 1; g <= 500 && !found; ++g) {
        AdvanceGeneration(b.f(), b.ctx.rule);
        if (const auto p = watch.afterStep(g)) found = std::make_pair(g, *p);
    }
    EXPECT_EQ(found, expected);
    // The Field is generation G again, not the copy run forward.
    EXPECT_TRUE(SameCells(TakeSnapshot(b.f()), TakeSnapshot(copy.f())));
}

TEST(Json, StringsAreEscapedAndAlwaysUtf8) {
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("a\"b\\c\nd\te\x01"), "\"a\\\"b\\\\c\\nd\\te\\u0001\"");
    EXPECT_EQ(JsonString("グライダー"), "\"グライダー\"");
    EXPECT_EQ(JsonString("\xF0\x9F\x98\x80"), "\"\xF0\x9F\x98\x80\"");
    // Shift-JIS bytes, a lone continuation byte, a cut sequence, an overlong form, a surrogate.
    EXPECT_EQ(JsonString("\x83\x4f"), "\"\xEF\xBF\xBD\x4f\"");
    EXPECT_EQ(JsonString("a\x80" "b"), "\"a\xEF\xBF\xBD" "b\"");
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
    const Options pictures = parse({"run", "a", "--png", "p.png", "--gif=g.gif", "--cell", "20", "--crop",
                                    "--live", "#00ff80", "--back", "102030", "--delay", "0", "--every", "3"}).options;
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
    for (const char* bad : {"", "#", "FF000", "FF00000", "GG0000", "0xFF00", "ff 000"}) EXPECT_FALSE(ParseColour(bad)) << bad;
}

}  // namespace
}  // namespace gb::cli
