#include "session/read_guard.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <stdexcept>

#include "engine/extent.h"
#include "engine/rule.h"
#include "engine/step.h"
#include "formats/bytes.h"
#include "formats/rle_reader.h"
#include "formats/rle_writer.h"
#include "session/document.h"
#include "session/paste.h"
#include "session/shell.h"
#include "tests/formats/format_test_util.h"
#include "tests/support/child_process.h"

namespace gb {
namespace {

namespace fs = std::filesystem;
using test::LiveCells;

struct ReadGuard : ::testing::Test {
    test::TestContext t;
    test::Cells oldCells;
    void SetUp() override {
        test::PlacePicture(t.ctx, 500, 400, {".*.", "..*", "***"});
        test::PlacePicture(t.ctx, 900, 1100, {"**", "**"});
        oldCells = LiveCells(t.ctx.field);
        t.ctx.field.generation = 77;
        t.ctx.rule.ruleText = ApplyRule(t.ctx, "B36/S23");
        t.ctx.view.zoomStep = 3;
        t.ctx.view.zoom = 0.25;
        SetMainTitle(t.ctx, "old.rle");
        t.ctx.shell.documentPath = "/somewhere/old.rle";
        t.host.boxes.clear();
    }
    // Everything as SetUp left it, and the given box last.
    void ExpectUnchangedAfter(const std::string& caption, const std::string& text) {
        EXPECT_EQ(LiveCells(t.ctx.field), oldCells);
        EXPECT_EQ(t.ctx.field.generation, 77);
        EXPECT_EQ(t.ctx.rule.ruleText, "23/36");
        EXPECT_EQ(t.ctx.rule.birthTable[6], 1);
        EXPECT_EQ(t.ctx.view.zoomStep, 3);
        EXPECT_EQ(t.ctx.view.zoom, 0.25);
        EXPECT_EQ(t.host.lastTitle(), "old.rle - Gridbloom");
        EXPECT_EQ(t.ctx.shell.windowTitle, "old.rle - Gridbloom");
        EXPECT_EQ(t.ctx.shell.documentPath, "/somewhere/old.rle");
        EXPECT_EQ(t.ctx.run.busy, 0);
        ASSERT_FALSE(t.host.boxes.empty());
        EXPECT_TRUE(test::Shows(t.host.lastBox(), {caption, text, Icon::Exclamation}));
        EXPECT_EQ(t.ctx.shell.messageCaption, "Gridbloom");
    }
    void Reset() {
        ClearCells(t.ctx.field);
        SetUp();
    }
    void ExpectUnchangedAfterTheMemoryBox() {
        ExpectUnchangedAfter("メモリ不足です。", "パターン読み込み領域が確保できません。");
    }
};

// A descriptor whose reads give bytes (padded with line feeds to whole pages) and then fail
// with EIO: this process's own memory read through /proc/self/mem, up to a page that is not
// mapped.
class FailingAfter {
public:
    explicit FailingAfter(std::string bytes) {
        const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        size_ = (bytes.size() / page + 1) * page;
        bytes.resize(size_, '\n');
        map_ = static_cast<char*>(::mmap(nullptr, size_ + page, PROT_READ | PROT_WRITE,
                                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        if (map_ == MAP_FAILED) return;
        std::copy(bytes.begin(), bytes.end(), map_);
        ::munmap(map_ + size_, page);
        fd_ = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
        if (fd_ >= 0 && ::lseek(fd_, static_cast<off_t>(reinterpret_cast<std::uintptr_t>(map_)),
                                SEEK_SET) < 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~FailingAfter() {
        if (fd_ >= 0) ::close(fd_);
        if (map_ != MAP_FAILED) ::munmap(map_, size_);
    }
    int fd() const { return fd_; }

private:
    std::size_t size_ = 0;
    char* map_ = static_cast<char*>(MAP_FAILED);
    int fd_ = -1;
};

TEST_F(ReadGuard, AReadThatFailsPartWayFailsAsAWhole) {
    using Reader = int (*)(Context&, TextInput&, const std::string&);
    const struct {
        const char* name;
        Reader reader;
        std::string bytes;
    } cases[] = {
        {"glider.rle", ReadRleFile, "x = 3, y = 3, rule = B3/S23\nbo$2bo$3o!\n"},
        {"rle.lif", ReadLifeFile, "#C a glider\nx = 3, y = 3\nbo$2bo$3o!\n"},
        {"glider105.lif", ReadLifeFile, "#Life 1.05\n#D glider\n#N\n.*.\n..*\n***\n"},
        {"glider106.lif", ReadLifeFile, "#Life 1.06\n#N\n0 -1\n1 0\n-1 1\n0 1\n1 1\n"},
        {"glider.txt", ReadTextFile, ".*.\n..*\n***\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Whole, the bytes load.
        test::ReadByExtension(t.ctx, c.bytes, c.name);
        ASSERT_EQ(test::Shape(LiveCells(t.ctx.field)),
                  test::Cells({{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}));
        Reset();

        const FailingAfter input(c.bytes);
        ASSERT_GE(input.fd(), 0) << std::strerror(errno);
        EXPECT_EQ(ReadFileWithinMemory(t.ctx, c.name,
                                       [&] {
                                           TextInput in(input.fd());
                                           c.reader(t.ctx, in, c.name);
                                       }),
                  ReadEnd::ReadFailed);
        ExpectUnchangedAfter("ファイルが見つかりません。",
                             std::string("ファイル\"") + c.name + "\"が見つかりません。");
    }
    // Opening a file whose first read fails, through the document (which keeps its path too)
    // and by path.
    for (const PatternKind kind : {PatternKind::Rle, PatternKind::Life, PatternKind::Text}) {
        Reset();
        EXPECT_FALSE(LoadDocument(t.ctx, "/proc/self/mem", kind));
        ExpectUnchangedAfter("ファイルが見つかりません。",
                             "ファイル\"/proc/self/mem\"が見つかりません。");
    }
    for (const auto open : {OpenRlePath, OpenLifePath, OpenTextPath}) {
        Reset();
        open(t.ctx, "/proc/self/mem");
        ExpectUnchangedAfter("ファイルが見つかりません。",
                             "ファイル\"/proc/self/mem\"が見つかりません。");
    }
}

TEST_F(ReadGuard, AFailedAllocationPutsBackWhatTheApplyChanged) {
    const std::vector<std::function<void()>> failures = {
        [] { throw std::bad_alloc(); },
        [] { std::string().reserve(std::string().max_size() + 1); },  // std::length_error
    };
    for (const auto& fail : failures) {
        const bool completed = ApplyWithinMemory(t.ctx, [&] {
            Field& f = t.ctx.field;
            t.ctx.run.busy = 1;
            ClearCells(f);
            f.generation = 0;
            f.setCell(10, 10, 1);
            f.setCell(1200, 1200, 1);
            t.ctx.rule.ruleText = ApplyRule(t.ctx, "23/3");
            t.ctx.view.zoomStep = 10;
            t.ctx.view.zoom = 6;
            SetMainTitle(t.ctx, "new.rle");
            t.ctx.shell.documentPath.clear();
            fail();
        });
        EXPECT_FALSE(completed);
        ExpectUnchangedAfterTheMemoryBox();
    }

    // An apply that ends normally keeps what it did.
    EXPECT_TRUE(ApplyWithinMemory(t.ctx, [&] {
        ClearCells(t.ctx.field);
        SetMainTitle(t.ctx, "new.rle");
    }));
    EXPECT_TRUE(LiveCells(t.ctx.field).empty());
    EXPECT_EQ(t.host.lastTitle(), "new.rle - Gridbloom");
}

// A parse changes nothing the user sees, so its guard keeps no copy: it only says what failed.
TEST_F(ReadGuard, AFailedParseShowsItsBoxAndLeavesEverythingAsItWas) {
    test::SetBusyLevel(t.ctx, 1);
    const int invalidations = t.host.invalidations;
    EXPECT_FALSE(ReadWithinMemory(t.ctx, [] { throw std::bad_alloc(); }));
    ExpectUnchangedAfterTheMemoryBox();
    EXPECT_EQ(t.host.invalidations, invalidations + 1);
    test::SetBusyLevel(t.ctx, 1);
    EXPECT_EQ(ReadFileWithinMemory(t.ctx, "a.rle", [] { throw ReadFailure(5); }),
              ReadEnd::ReadFailed);
    ExpectUnchangedAfter("ファイルが見つかりません。", "ファイル\"a.rle\"が見つかりません。");
    EXPECT_EQ(ReadFileWithinMemory(t.ctx, "a.rle", [] {}), ReadEnd::Done);
    // Without a file, a failed read is not this guard's to report.
    EXPECT_THROW(ReadWithinMemory(t.ctx, [] { throw ReadFailure(5); }), ReadFailure);
}

// Runs check in a child process that can allocate only about extraMiB more: its address space
// may grow by only that much, and the room its allocator already holds is taken up first. Its
// exit status is the result.
[[maybe_unused]] int WithLittleMemory(std::size_t extraMiB, const std::function<int()>& check) {
    return test::InChild([&] {
        static void* held[1 << 16];
        std::ifstream statm("/proc/self/statm");
        std::size_t pages = 0;
        statm >> pages;
        const rlim_t limit =
            pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (extraMiB << 20);
        const rlimit r{limit, limit};
        if (::setrlimit(RLIMIT_AS, &r) != 0) ::_exit(90);
        // Everything the allocator can still give, in blocks it takes from its own room, and
        // then extraMiB of it back.
        constexpr std::size_t kBlock = 32 * 1024;
        std::size_t n = 0;
        while (n < std::size(held) && (held[n] = std::malloc(kBlock)) != nullptr) ++n;
        for (std::size_t i = 0; i < std::min(n, (extraMiB << 20) / kBlock); ++i)
            std::free(held[n - 1 - i]);
        return check();
    });
}

TEST_F(ReadGuard, OpeningAndPastingMoreThanMemoryHoldsChangeNothing) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit allows";
#else
    const test::TempDir tmp("gb-readguard");
    const fs::path& dir = tmp.dir;
    const auto unchanged = [this](int failedStep) {
        EXPECT_NO_FATAL_FAILURE(ExpectUnchangedAfterTheMemoryBox());
        return ::testing::Test::HasFailure() ? failedStep : 0;
    };
    // A picture of 64 MiB on the clipboard.
    t.host.clipboard = std::string(std::size_t{64} << 20, '*');
    EXPECT_EQ(WithLittleMemory(32,
                               [&] {
                                   PasteFromClipboard(t.ctx);
                                   return unchanged(4);
                               }),
              0);

    // A comment of 96 MiB is kept only as far as its box can show it: the file loads within
    // the 32 MiB allowed.
    const fs::path huge = dir / "huge.rle";
    {
        std::ofstream out(huge, std::ios::binary);
        const std::string line = "#C " + std::string(8000, 'a') + "\n";
        for (int i = 0; i < 96 * 131; ++i) out << line;
        out << "x = 1, y = 1\no!\n";
    }
    EXPECT_EQ(WithLittleMemory(32,
                               [&] {
                                   if (!LoadDocument(t.ctx, huge.string())) return 1;
                                   if (LiveCells(t.ctx.field).size() != 1) return 2;
                                   return t.host.lastBox().text.size() < 70000 ? 0 : 3;
                               }),
              0);

    // So is a picture of 16 MiB of "*" lines: only the rows that reach the grid are placed, and
    // nothing of the lines is kept between measuring and placing.
    const fs::path stars = dir / "stars.txt";
    {
        std::ofstream out(stars, std::ios::binary);
        std::string mebibyte;
        for (int i = 0; i < (1 << 19); ++i) mebibyte += "*\n";
        for (int i = 0; i < 16; ++i) out << mebibyte;
    }
    EXPECT_EQ(WithLittleMemory(32,
                               [&] {
                                   if (!LoadDocument(t.ctx, stars.string())) return 1;
                                   return LiveCells(t.ctx.field).size() == 1200 ? 0 : 2;
                               }),
              0);

    // The old pattern is kept aside to be put back should the read fail; when that copy does
    // not fit, nothing is read. One live cell in every tile of a large Field makes it 18 MiB.
    ASSERT_TRUE(SetUpField(t.ctx, 12000, 12000));
    for (int y = 1; y < 12000; y += CellGrid::kTileHeight)
        for (int x = 1; x < 12000; x += CellGrid::kTileWidth) t.ctx.field.setCell(x, y, 1);
    test::CountPopulation(t.ctx);
    oldCells = LiveCells(t.ctx.field);
    const fs::path glider = dir / "glider.rle";
    std::ofstream(glider, std::ios::binary) << "x = 3, y = 3\nbo$2bo$3o!\n";
    EXPECT_EQ(WithLittleMemory(8,
                               [&] {
                                   if (LoadDocument(t.ctx, glider.string())) return 1;
                                   return unchanged(2);
                               }),
              0);
    EXPECT_EQ(WithLittleMemory(8,
                               [&] {
                                   OpenRlePath(t.ctx, glider.string());
                                   return unchanged(3);
                               }),
              0);
#endif
}

// Whatever a read that runs short of memory half-way leaves behind, every cell the Field holds is
// counted, found by the extent, written and cleared: no cell lies where the Field does not know.
TEST_F(ReadGuard, ALifeReadShortOfMemoryLeavesNoCellTheFieldDoesNotKnow) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit allows";
#else
    const test::TempDir tmp("gb-readguard106");
    const fs::path& dir = tmp.dir;
    const fs::path file = dir / "far.lif";
    {
        std::ofstream out(file, std::ios::binary);
        out << "#Life 1.06\n-500 -500\n500 500\n";
        const std::string line = "#D " + std::string(8000, 'a') + "\n";
        for (int i = 0; i < 96 * 131; ++i) out << line;
    }
    EXPECT_EQ(WithLittleMemory(32,
                               [&] {
                                   LoadDocument(t.ctx, file.string());
                                   Field& f = t.ctx.field;
                                   test::Cells held;  // read cell by cell, trusting no record
                                   for (int y = 0; y < f.cells().height(); ++y)
                                       for (int x = 0; x < f.cells().width(); ++x)
                                           if (f.cells().get(x, y)) held.emplace(x, y);
                                   if (held.empty()) return 2;
                                   if (LiveCells(f) != held) return 3;
                                   if (f.population() != static_cast<std::int64_t>(held.size()))
                                       return 4;
                                   if (!test::SameExtent(FieldExtent(f), test::ExtentOf(held)))
                                       return 5;
                                   test::TestContext back;
                                   ReadRleFile(back.ctx,
                                               WriteRleFile(t.ctx.field, t.ctx.rule.ruleText),
                                               "back.rle");
                                   if (test::Shape(LiveCells(back.ctx.field)) != test::Shape(held))
                                       return 6;
                                   ClearCells(f);
                                   for (int y = 0; y < f.cells().height(); ++y)
                                       for (int x = 0; x < f.cells().width(); ++x)
                                           if (f.cells().get(x, y)) return 7;
                                   return 0;
                               }),
              0);
#endif
}

}  // namespace
}  // namespace gb
