// Reading in pieces: the refilled text-mode input, the staging grid's dirty box, opening without
// blocking, and the RLE writer's runs against a cell-by-cell writer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "engine/extent.h"
#include "engine/rule.h"
#include "formats/bytes.h"
#include "session/document.h"
#include "session/field_size.h"
#include "tests/formats/format_test_util.h"

namespace gb {
namespace {

namespace fs = std::filesystem;
using test::LiveCells;

// Everything an input gives, taken with peeks of varying size.
std::string Drain(TextInput& input, std::mt19937& rng) {
    std::string out;
    while (!input.atEnd()) {
        const std::size_t want = 1 + rng() % 70000;
        const std::string_view got = input.peek(want);
        const std::size_t take = std::min<std::size_t>(got.size(), 1 + rng() % want);
        out.append(got.substr(0, take));
        input.skip(take);
    }
    return out;
}

// A file of these bytes in a folder of its own.
struct TempFile : test::TempDir {
    const fs::path path;
    explicit TempFile(const std::string& bytes, const std::string& name = "in.rle")
        : TempDir("gb-pieces"), path(Write(name, bytes)) {}
};

TEST(TextInput, TextModeAcrossRefillsMatchesTheWholeFileConversion) {
    std::mt19937 rng(99);
    // CR LF pairs split exactly at the raw piece boundary, lone CRs at the end, NULs and CR CR LF.
    std::string bytes(TextInput::kMaxLookAhead - 1, 'a');
    bytes += "\r\n\r\r\n";
    for (int i = 0; i < 300000; ++i) {
        const unsigned r = rng() % 10;
        bytes += r == 0 ? '\r' : r == 1 ? '\n' : r == 2 ? '\0' : static_cast<char>('a' + r);
    }
    bytes += '\r';
    const std::string expected = TextModeBytes(bytes);
    {
        TextInput memory(bytes);
        EXPECT_EQ(Drain(memory, rng), expected);
    }
    {
        TempFile file(bytes);
        const int fd = OpenForReading(file.path.string());
        ASSERT_GE(fd, 0);
        TextInput fromFile(fd);
        EXPECT_EQ(Drain(fromFile, rng), expected);
        EXPECT_FALSE(fromFile.failed());
        ::close(fd);
    }
    TextInput raw(bytes, false);
    EXPECT_EQ(Drain(raw, rng), bytes);
}

// Rewinding starts again at the first byte: in memory, in a file opened part-way (from there),
// and from a pipe, whose bytes are kept aside as they are read. A text picture read from a pipe
// lands where the same picture read from memory does.
TEST(TextInput, RewindStartsAgain) {
    std::mt19937 rng(3);
    std::string bytes;
    for (int i = 0; i < 200000; ++i) bytes += "*.\r\n#"[rng() % 5];
    const auto twice = [&](TextInput& input) {
        input.keepForRewind();
        const std::string first = Drain(input, rng);
        input.rewind();
        EXPECT_EQ(Drain(input, rng), first);
        return first;
    };
    TextInput memory(bytes);
    EXPECT_EQ(twice(memory), TextModeBytes(bytes));

    TempFile file(bytes);
    const int fd = OpenForReading(file.path.string());
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::lseek(fd, 10, SEEK_SET), 10);
    TextInput partWay(fd);
    EXPECT_EQ(twice(partWay), TextModeBytes(bytes.substr(10)));
    ::close(fd);

    std::string picture = ".*.\n..*\n***\n#R 23/36\n";
    for (int i = 0; i < 30; ++i) picture += "#" + std::string(8000, 'x') + "\n";
    picture += "**\n";
    const std::string* const sources[] = {&bytes, &picture};
    for (const std::string* source : sources) {
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        std::thread writer([&] {
            for (std::size_t at = 0; at < source->size();) {
                const ssize_t n = ::write(ends[1], source->data() + at,
                                          std::min<std::size_t>(source->size() - at, 4096));
                if (n <= 0) break;
                at += static_cast<std::size_t>(n);
            }
            ::close(ends[1]);
        });
        if (source == &bytes) {
            TextInput pipe(ends[0]);
            EXPECT_EQ(twice(pipe), TextModeBytes(bytes));
        } else {
            test::TestContext a, b;
            TextInput pipe(ends[0]);
            EXPECT_EQ(ReadTextFile(a.ctx, pipe, "p.txt"), 0);
            EXPECT_EQ(ReadTextFile(b.ctx, *source, "p.txt"), 0);
            EXPECT_EQ(LiveCells(a.ctx.field), LiveCells(b.ctx.field));
            EXPECT_EQ(LiveCells(a.ctx.field).size(), 7u);
            EXPECT_EQ(a.ctx.rule.ruleText, "23/36");
        }
        writer.join();
        ::close(ends[0]);
    }
}

TEST(TextInput, LineReaderOverAnInputTakesTheSamePiecesAsOverTheConvertedBytes) {
    std::mt19937 rng(7);
    std::string bytes;
    for (int i = 0; i < 200000; ++i) {
        const unsigned r = rng() % 4000;
        bytes += r == 0 ? '\r' : r < 3 ? '\n' : r == 3 ? '\0' : static_cast<char>('A' + r % 26);
    }
    const std::string converted = TextModeBytes(bytes);
    LineReader whole(converted, 10000);
    TextInput input(bytes);
    LineReader pieces(input, 10000);
    int count = 0;
    while (!whole.atEnd()) {
        ASSERT_FALSE(pieces.atEnd());
        const std::string expected(whole.next());
        ASSERT_EQ(pieces.next(), expected) << "piece " << count;
        ++count;
    }
    EXPECT_TRUE(pieces.atEnd());
    EXPECT_GT(count, 20);
}

TEST(TextInput, PictureLinesEndOnCharactersAndCountShiftJisBytes) {
    const std::string black = "\xe2\x96\xa0", sjisBlack = "\x81\xa1";
    std::string utf8, sjis;
    for (int i = 0; i < 5001; ++i) utf8 += black, sjis += sjisBlack;
    utf8 += "\n";
    sjis += "\n";
    TextInput u(utf8), s(sjis);
    SquareEncoding eu = SquareEncoding::ShiftJis, es = SquareEncoding::Utf8;
    // 5000 squares fill the 10,000 bytes of a Shift-JIS piece; the UTF-8 piece holds as many.
    EXPECT_EQ(NextPictureLine(u, 10000, eu).size(), 15000u);
    EXPECT_EQ(eu, SquareEncoding::Utf8);
    EXPECT_EQ(NextPictureLine(s, 10000, es).size(), 10000u);
    EXPECT_EQ(es, SquareEncoding::ShiftJis);
    EXPECT_EQ(NextPictureLine(u, 10000, eu), black + "\n");
    EXPECT_EQ(NextPictureLine(s, 10000, es), sjisBlack + "\n");
    EXPECT_TRUE(u.atEnd());

    // A Shift-JIS character never straddles two pieces, and a lead byte before a line feed does
    // not swallow it; half-width katakana count one unit in UTF-8 as in Shift-JIS.
    const std::string shifted = "a" + sjis;
    TextInput odd(shifted);
    EXPECT_EQ(NextPictureLine(odd, 10000, es).size(), 9999u);
    TextInput lead("\x81\n*\n");
    EXPECT_EQ(NextPictureLine(lead, 10000, es), "\x81\n");
    EXPECT_EQ(NextPictureLine(lead, 10000, es), "*\n");
    TextInput kana("\xef\xbd\xb1\xef\xbd\xb1\xef\xbd\xb1x");
    EXPECT_EQ(NextPictureLine(kana, 3, eu), "\xef\xbd\xb1\xef\xbd\xb1\xef\xbd\xb1");
}

// A reader refuses what cannot be a pattern on its first piece: the rest is never read.
TEST(ReadingPieces, ANulFileIsRefusedAfterOnePiece) {
    const test::TempDir tmp("gb-pieces");
    const fs::path path = tmp.dir / "nul.rle";
    {
        std::ofstream(path, std::ios::binary).close();
        fs::resize_file(path, 256u << 20);  // sparse: costs no disk
    }
    test::TestContext t;
    t.ctx.field.setCell(5, 5, 1);
    const int fd = OpenForReading(path.string());
    ASSERT_GE(fd, 0);
    {
        TextInput input(fd);
        EXPECT_EQ(ReadRleFile(t.ctx, input, path.string()), 1);
    }
    EXPECT_LE(::lseek(fd, 0, SEEK_CUR), static_cast<off_t>(2 * TextInput::kMaxLookAhead));
    ::close(fd);
    EXPECT_EQ(t.host.lastBox().caption, "サポートしていないファイル形式です。");
    EXPECT_EQ(LiveCells(t.ctx.field), (test::Cells{{5, 5}}));
}

TEST(ReadingPieces, OpeningNeverBlocksAndReadsPipesToTheirEnd) {
    const test::TempDir tmp("gb-pieces");
    const fs::path& dir = tmp.dir;
    EXPECT_LT(OpenForReading(dir.string()), 0);
    EXPECT_FALSE(ReadFileBytes(dir.string()).has_value());
    EXPECT_LT(OpenForReading((dir / "missing").string()), 0);

    // A FIFO without a writer opens at once and reads as empty: refused, nothing changed.
    const fs::path fifo = dir / "fifo.rle";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    {
        test::TestContext t;
        EXPECT_TRUE(LoadDocument(t.ctx, fifo.string()));
        EXPECT_EQ(t.host.lastBox().caption, "サポートしていないファイル形式です。");
        EXPECT_TRUE(LiveCells(t.ctx.field).empty());
    }
    // With a writer, the whole stream is read, however it is cut.
    {
        std::string glider = "#N stream\nx = 3, y = 3\n";
        for (int i = 0; i < 20000; ++i) glider += "#C padding to cross several pieces\n";
        glider += "bo$2bo$3o!\n";
        // The writer is connected before the reader opens (a keeper holds the FIFO open for
        // reading meanwhile), so the reader sees data and then the end.
        std::atomic<bool> connected{false};
        std::thread writer([&] {
            const int out = ::open(fifo.c_str(), O_WRONLY);
            connected = true;
            if (out < 0) return;
            for (std::size_t i = 0; i < glider.size(); i += 1000) {
                const std::string part = glider.substr(i, 1000);
                if (::write(out, part.data(), part.size()) < 0) break;
            }
            ::close(out);
        });
        const int keeper = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(keeper, 0);
        while (!connected) std::this_thread::yield();
        test::TestContext t;
        EXPECT_TRUE(LoadDocument(t.ctx, fifo.string()));
        ::close(keeper);
        writer.join();
        EXPECT_EQ(LiveCells(t.ctx.field).size(), 5u);
        EXPECT_EQ(t.host.lastTitle(), "fifo.rle - Gridbloom");
    }
    {
        test::TestContext t;
        EXPECT_TRUE(LoadDocument(t.ctx, "/dev/null"));
        EXPECT_EQ(t.host.lastBox().caption, "サポートしていないファイル形式です。");
    }
}

// A random RLE body: runs, row ends, occasional huge counts and "#R" positions.
std::string RandomRle(std::mt19937& rng, int rows, int width) {
    std::string file = "x = 0, y = 0\n";
    if (rng() % 3 == 0)
        file += "#R " + std::to_string(static_cast<int>(rng() % 3000) - 500) + " " +
                std::to_string(static_cast<int>(rng() % 3000) - 500) + "\n";
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < width;) {
            const int run = 1 + static_cast<int>(rng() % 6);
            file += std::to_string(run) + (rng() % 2 ? "o" : "b");
            x += run;
            if (file.size() % 50 == 0) file += "\n";
        }
        file += rng() % 8 == 0 ? "3$" : "$";
    }
    return file + "!\n";
}

TEST(ReadingPieces, StagingKeepsNoLeftoversAndItsExtentMatchesItsCells) {
    test::TestContext t;
    Field& f = t.ctx.field;
    std::mt19937 rng(2024);
    for (int round = 0; round < 12; ++round) {
        // Big and small patterns in turn, so that a clear of too small a box would leave cells.
        const int rows = round % 2 == 0 ? 300 : 3;
        const std::string file = RandomRle(rng, rows, round % 2 == 0 ? 900 : 4);
        RleReadState s;
        ASSERT_FALSE(RleReading(file, FileRleParams(f), t.ctx.field.staging(), s));
        const test::Cells staged = test::StagedCells(f);
        EXPECT_EQ(f.staged().population(), static_cast<std::int64_t>(staged.size())) << round;
        EXPECT_TRUE(test::SameExtent(LoadAreaExtent(f), test::ExtentOf(staged))) << round;
        // The same file staged in a fresh Field: nothing of the last round is left.
        test::TestContext fresh;
        RleReadState freshState;
        ASSERT_FALSE(RleReading(file, FileRleParams(fresh.ctx.field), fresh.ctx.field.staging(),
                                freshState));
        EXPECT_EQ(staged, test::StagedCells(fresh.ctx.field)) << round;
        // Loading the same file through the reader places exactly the reference cells.
        ASSERT_EQ(ReadRleFile(fresh.ctx, file, "a.rle"), 0);
        ASSERT_EQ(ReadRleFile(t.ctx, file, "a.rle"), 0);
        EXPECT_EQ(LiveCells(f), LiveCells(fresh.ctx.field)) << round;
    }
}

TEST(ReadingPieces, AResizeLeavesNothingStagedForTheNextLoad) {
    test::TestContext t;
    ASSERT_EQ(ReadRleFile(t.ctx, "x = 0\n20o$20o!\n", "wide.rle"), 0);
    ASSERT_TRUE(RebuildField(t.ctx, 900, 700));
    // The carry puts the staging grid back as it came: nothing staged.
    EXPECT_FALSE(LoadAreaExtent(t.ctx.field).found);
    EXPECT_EQ(t.ctx.field.staged().population(), 0);
    ASSERT_EQ(ReadRleFile(t.ctx, "x = 0\no!\n", "dot.rle"), 0);
    EXPECT_EQ(LiveCells(t.ctx.field).size(), 1u);
    ASSERT_EQ(ReadLifeFile(t.ctx, "#Life 1.05\n**\n", "two.lif"), 0);
    EXPECT_EQ(LiveCells(t.ctx.field).size(), 2u);
}

// What the readers' placing rests on: the staged cells of the box are added to those already
// there, and those that would land on the border or beyond are dropped.
TEST(ReadingPieces, PlacingAddsTheStagedCellsAndDropsThoseOffTheInterior) {
    test::TestContext t;
    Field& f = t.ctx.field;
    f.staging().clear();
    // Staged: a row of 40 with gaps, and a cell outside the box that is placed.
    test::Cells staged;
    for (int x = 5; x < 45; ++x)
        if (x % 3 != 0) f.staging().set(x, 10, true), staged.emplace(x, 10);
    f.staging().set(60, 10, true);
    // The current generation already holds cells under some of the gaps and beside the row.
    test::Cells expected;
    for (int x = 0; x < 60; x += 6) f.setCell(x + 100, 50, 1), expected.emplace(x + 100, 50);
    for (const auto& [x, y] : staged) expected.emplace(x + 100, y + 40);
    f.placeStaged(5, 10, 44, 10, 100, 40);
    EXPECT_EQ(LiveCells(f), expected);
    // Moved onto the border or beyond, cells are dropped.
    ClearCells(f);
    const int dx = f.gridWidth - 20;
    f.placeStaged(5, 10, 44, 10, dx, 40);
    expected.clear();
    for (const auto& [x, y] : staged)
        if (x + dx <= f.gridWidth - 2) expected.emplace(x + dx, y + 40);
    EXPECT_EQ(LiveCells(f), expected);
    EXPECT_FALSE(expected.empty());
}

// The writer of old, cell by cell, to hold the run-finding one to the same bytes.
std::string ReferenceRleBody(const Field& f) {
    const Extent e = FieldExtent(f);
    std::string file, out;
    const auto append = [&](const std::string& token) {
        if (out.size() + token.size() >= 69) {
            file += out + "\r\n";
            out.clear();
        }
        out += token;
    };
    const auto symbol = [](int state) { return state == 0 ? "b" : (state == 1 ? "o" : ""); };
    int rowEnds = 1;
    std::string pendingRowEnd;
    bool rowEndPending = false;
    if (e.found) {
        for (int y = e.top; y <= e.bottom; ++y) {
            int state = 2, run = 1;
            for (int x = e.left; x <= e.right + 1; ++x) {
                const int v = f.at(x, y);
                if (v == 1 && rowEndPending) {
                    append(pendingRowEnd);
                    rowEnds = 1;
                    rowEndPending = false;
                }
                if (v != state) {
                    append(run <= 1 ? std::string(symbol(state))
                                    : std::to_string(run) + symbol(state));
                    run = 1;
                    state = v;
                } else {
                    ++run;
                }
            }
            pendingRowEnd = rowEnds <= 1 ? "$" : std::to_string(rowEnds) + "$";
            ++rowEnds;
            rowEndPending = true;
        }
    }
    return file + out + "!\r\n";
}

TEST(RleWrite, RunsMatchACellByCellWriter) {
    std::mt19937 rng(31);
    for (int round = 0; round < 46; ++round) {
        test::TestContext t;
        Field& f = t.ctx.field;
        // Long runs, short runs, runs broken after they were drawn, empty rows, and cells on the
        // interior's edges.
        const int density = 1 + round % 5;
        const int top = 1 + static_cast<int>(rng() % 50),
                  left = round % 4 == 0 ? 1 : 1 + static_cast<int>(rng() % 50);
        const int right = round % 3 == 0 ? f.gridWidth - 2 : left + static_cast<int>(rng() % 300);
        for (int y = top; y < top + 40; ++y) {
            if (rng() % 7 == 0) continue;
            for (int x = left; x <= right; ++x) {
                const unsigned r = rng() % 10;
                if (r < static_cast<unsigned>(density)) f.setCell(x, y, 1);
                if (r == 9 && round % 2) f.setCell(x - static_cast<int>(rng() % 4), y, 0);
                if (rng() % 50 == 0) x += static_cast<int>(rng() % 100);
            }
        }
        // Islands far apart, so that rows and columns of empty tiles lie between them.
        for (int island = 0; round >= 30 && island < 12; ++island) {
            const int ix = 1 + static_cast<int>(rng() % static_cast<unsigned>(f.gridWidth - 10));
            const int iy = 1 + static_cast<int>(rng() % static_cast<unsigned>(f.gridHeight - 10));
            for (int k = 0; k < 12; ++k)
                f.setCell(ix + static_cast<int>(rng() % 8), iy + static_cast<int>(rng() % 8), 1);
        }
        const std::string file = WriteRleFile(t.ctx.field, t.ctx.rule.ruleText);
        const std::string body = file.substr(file.find("\r\n") + 2);
        ASSERT_EQ(body, ReferenceRleBody(f)) << round;
    }
}

// A soup of every kind of run length and count spelling (leading zeros, long numbers, counts
// before "$"), and its cells as a plain decoder puts them: the cursor starting at (x0, y0), a
// cell kept where minX <= x < endX and minY <= y < endY.
std::string RandomSoup(std::mt19937& rng, bool islands, long long x0, long long y0, long long minX,
                       long long endX, long long minY, long long endY, test::Cells& expected) {
    std::string body;
    long long x = x0, y = y0;
    for (int token = 0; token < 3000; ++token) {
        const unsigned kind = rng() % 10;
        long long n = kind == 0 ? 1 + rng() % 40 : 1 + rng() % 9;
        // Islands: small groups far apart, with long dead runs between them.
        if (islands && kind >= 5) n = 1 + rng() % 400;
        std::string count = n == 1 && rng() % 2 ? "" : std::to_string(n);
        if (rng() % 20 == 0) count = "0" + count;  // a leading zero changes nothing
        if (kind < 5) {
            for (long long i = 0; i < n; ++i)
                if (x + i >= minX && x + i < endX && y >= minY && y < endY)
                    expected.emplace(static_cast<int>(x + i), static_cast<int>(y));
            body += count + "o";
            x += n;
        } else if (kind < 9) {
            body += count + "b";
            x += n;
        } else {
            body += count + "$";
            x = x0;
            y += n;
        }
        if (rng() % 30 == 0) body += "\n";
    }
    return body + "!\n";
}

// The reader against the plain decoder, at the grid's origin ("#R 0 0"): what it places.
TEST(ReadingPieces, RunsLandWhereAPlainDecoderPutsThem) {
    std::mt19937 rng(5);
    for (int round = 0; round < 40; ++round) {
        test::Cells expected;
        const std::string file = "#R 0 0\nx = 0, y = 0\n" +
                                 RandomSoup(rng, round >= 30, 0, 0, 1, 1201, 1, 1201, expected);
        test::TestContext t;
        ASSERT_EQ(ReadRleFile(t.ctx, file, "soup.rle"), 0);
        ASSERT_EQ(LiveCells(t.ctx.field), expected) << round;
    }
}

// The cursor's start (its row below startRows) and the limits anywhere in the staging grid.
void RandomLimits(std::mt19937& rng, const Field& f, unsigned startRows, RleReadingParams& p) {
    p.startColumn = static_cast<int>(rng() % 300);
    p.startRow = static_cast<int>(rng() % startRows);
    p.minX = static_cast<int>(rng() % 200);
    p.endX = f.loadWidth - static_cast<int>(rng() % 200);
    p.minY = static_cast<int>(rng() % 100);
    p.endY = f.loadHeight - static_cast<int>(rng() % 100);
}

// The same against the staging grid itself, with the cursor's start and the limits anywhere in
// it (a paste's are other than a file's), so that runs are cut at every column of a word.
TEST(ReadingPieces, RunsAreStagedWithinTheLimits) {
    std::mt19937 rng(11);
    test::TestContext t;
    ASSERT_TRUE(SetUpField(t.ctx, 100, 80));  // staging 1102 × 1082
    Field& f = t.ctx.field;
    for (int round = 0; round < 40; ++round) {
        RleReadingParams p = FileRleParams(f);
        if (round > 0) RandomLimits(rng, f, 300, p);
        test::Cells expected;
        const std::string file =
            "x = 0, y = 0\n" + RandomSoup(rng, round % 4 == 3, p.startColumn, p.startRow, p.minX,
                                          p.endX, p.minY, p.endY, expected);
        RleReadState s;
        ASSERT_FALSE(RleReading(file, p, t.ctx.field.staging(), s));
        ASSERT_EQ(test::StagedCells(f), expected) << round;
        EXPECT_EQ(f.staged().population(), static_cast<std::int64_t>(expected.size()));
        EXPECT_TRUE(test::SameExtent(LoadAreaExtent(f), test::ExtentOf(expected))) << round;
    }
}

// Token streams as the letter loop sees them, against a plain decoder in 128-bit arithmetic:
// runs of 1 .. 200 cells (counts of one to three digits, a 64-byte piece starting anywhere in
// them), "$" with counts, counts of up to 30 digits, a count carried over a line break (LF, CR
// LF, CR, NUL or 0xFF) or over the 10,000-byte cut of a long line, an "#R" offset, limits anywhere
// in the staging grid; and where the cursor and the count stand after the last byte.
TEST(ReadingPieces, LetterLoopMatchesAPlainDecoder) {
    std::mt19937 rng(23);
    test::TestContext t;
    ASSERT_TRUE(SetUpField(t.ctx, 100, 80));  // staging 1102 × 1082
    Field& f = t.ctx.field;
    const std::string breaks[] = {"\n", "\r\n", "\r", std::string(1, '\0'), "\xFF"};
    for (int round = 0; round < 60; ++round) {
        RleReadingParams p = FileRleParams(f);
        RandomLimits(rng, f, 200, p);
        const int placeX = static_cast<int>(rng() % 201) - 100,
                  placeY = static_cast<int>(rng() % 41) - 20;
        std::string file =
            "x = 0\n#R " + std::to_string(placeX) + " " + std::to_string(placeY) + "\n";
        const bool longLines = round % 3 == 0;  // lines cut into 10,000-byte pieces
        const bool huge = round % 5 == 4;       // counts far beyond every limit
        Wide x = p.startColumn, y = p.startRow, count = 0;
        test::Cells expected;
        std::string line;
        for (int token = 0; token < 6000; ++token) {
            const unsigned kind = rng() % 100;
            // Mostly counts of one digit in some rounds, so that whole 64-byte pieces have them.
            const bool longCount = rng() % 100 < (round % 3 == 0 ? 1u : round % 3 == 1 ? 10u : 40u);
            long long n = !longCount       ? 1 + rng() % 9
                          : rng() % 4 != 0 ? 1 + rng() % 200
                                           : 1 + rng() % 100000;
            std::string digits = n == 1 && rng() % 2 ? "" : std::to_string(n);
            if (rng() % 25 == 0) digits = std::string(1 + rng() % 3, '0') + digits;
            if (huge && rng() % 400 == 0)
                digits = std::to_string(rng()) + std::string(rng() % 22, '7');
            for (char d : digits) count = AppendDigit(count, d - '0');
            const Wide run = count == 0 ? 1 : count;
            count = 0;
            // A count alone may end a line and carry into the next.
            const std::size_t cut = rng() % 40 == 0 ? rng() % (digits.size() + 1) : digits.size();
            line += digits.substr(0, cut);
            if (cut < digits.size()) {
                file += line + breaks[rng() % std::size(breaks)];
                line = digits.substr(cut);
            }
            if (kind < 47) {
                const Wide ay = y + placeY, ax = x + placeX;
                if (ay >= p.minY && ay < p.endY)
                    for (Wide c = std::max<Wide>(ax, p.minX); c < std::min<Wide>(ax + run, p.endX);
                         ++c)
                        expected.emplace(static_cast<int>(c), static_cast<int>(ay));
                line += 'o';
                x = AddClamped(x, run);
            } else if (kind < 96) {
                line += 'b';
                x = AddClamped(x, run);
            } else {
                line += '$';
                x = p.startColumn;
                y = AddClamped(y, run);
            }
            if (line.size() > (longLines ? 30000u : 70u)) {
                file += line + breaks[rng() % std::size(breaks)];
                line.clear();
            }
        }
        // A count left at the end.
        const std::string tail = std::to_string(rng() % 1000);
        for (char d : tail) count = AppendDigit(count, d - '0');
        file += line + tail;
        RleReadState s;
        ASSERT_FALSE(RleReading(file, p, t.ctx.field.staging(), s));
        ASSERT_EQ(test::StagedCells(f), expected) << round;
        EXPECT_EQ(f.staged().population(), static_cast<std::int64_t>(expected.size()));
        EXPECT_TRUE(s.columnCursor == x && s.rowCursor == y && s.runCount == count) << round;
    }
}

// A header or "#R" line after cells puts the cursor back over them: later runs, live or dead,
// must leave the earlier cells standing.
TEST(ReadingPieces, ACursorPutBackKeepsTheCellsItPasses) {
    test::TestContext t;
    ASSERT_EQ(ReadRleFile(t.ctx, "#R 10 10\nx = 0\n5o$o3bo!\n", "a.rle"), 0);
    const test::Cells first = LiveCells(t.ctx.field);
    ASSERT_EQ(ReadRleFile(t.ctx, "#R 10 10\nx = 0\n5o$o3bo\nx = 0, y = 0\nb2o2b$b2o!\n", "b.rle"),
              0);
    test::Cells expected = first;
    expected.emplace(12, 11);
    expected.emplace(11, 11);
    EXPECT_EQ(LiveCells(t.ctx.field), expected);
    ASSERT_EQ(ReadRleFile(t.ctx, "#R 10 10\nx = 0\n5o$o3bo\n#R 2 10\n3b2o3b!\n", "c.rle"), 0);
    expected = first;
    expected.emplace(11, 11);
    EXPECT_EQ(LiveCells(t.ctx.field), expected);
}

}  // namespace
}  // namespace gb
