#include "formats/read_guard.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <stdexcept>

#include "core/engine/extent.h"
#include "core/engine/rule.h"
#include "core/engine/step.h"
#include "core/shell.h"
#include "formats/document.h"
#include "formats/paste.h"
#include "formats/rle_file.h"
#include "tests/formats/format_test_util.h"

namespace gb {
namespace {

namespace fs = std::filesystem;
using test::LiveCells;

struct ReadGuard : ::testing::Test {
    test::TestContext t;
    test::Cells oldCells;
    void SetUp() override {
        test::DrawPicture(t.ctx.field, 500, 400, {".*.", "..*", "***"});
        test::DrawPicture(t.ctx.field, 900, 1100, {"**", "**"});
        oldCells = LiveCells(t.ctx.field);
        t.ctx.field.generation = 77;
        t.ctx.rule.ruleText = ApplyRule(t.ctx, "B36/S23");
        t.ctx.view.zoomStep = 3;
        t.ctx.view.zoom = 0.25;
        SetMainTitle(t.ctx, "old.rle");
        t.ctx.shell.documentPath = "/somewhere/old.rle";
        t.host.boxes.clear();
    }
    // Everything as SetUp left it, and the reader's memory box last.
    void ExpectUnchangedAfterTheMemoryBox() {
        EXPECT_EQ(LiveCells(t.ctx.field), oldCells);
        EXPECT_EQ(t.ctx.field.generation, 77);
        EXPECT_EQ(t.ctx.rule.ruleText, "23/36");
        EXPECT_EQ(t.ctx.rule.birthTable[6], 1);
        EXPECT_EQ(t.ctx.view.zoomStep, 3);
        EXPECT_EQ(t.ctx.view.zoom, 0.25);
        EXPECT_EQ(t.host.lastTitle(), "old.rle - Gridbloom");
        EXPECT_EQ(t.ctx.shell.windowTitle, "old.rle - Gridbloom");
        EXPECT_EQ(t.ctx.shell.documentPath, "/somewhere/old.rle");
        EXPECT_EQ(t.ctx.field.busy, 0);
        ASSERT_FALSE(t.host.boxes.empty());
        EXPECT_EQ(t.host.lastBox().caption, "メモリ不足です。");
        EXPECT_EQ(t.host.lastBox().text, "パターン読み込み領域が確保できません。");
        EXPECT_EQ(t.host.lastBox().icon, Icon::Exclamation);
        EXPECT_EQ(t.ctx.shell.messageCaption, "Gridbloom");
    }
};

TEST_F(ReadGuard, AFailedAllocationPutsBackWhatTheReadChanged) {
    const std::vector<std::function<void()>> failures = {
        [] { throw std::bad_alloc(); },
        [] { std::string().reserve(std::string().max_size() + 1); },  // std::length_error
    };
    for (const auto& fail : failures) {
        const bool completed = ReadWithinMemory(t.ctx, [&] {
            Field& f = t.ctx.field;
            f.busy = 1;
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

    // A read that ends normally keeps what it did.
    EXPECT_TRUE(ReadWithinMemory(t.ctx, [&] {
        ClearCells(t.ctx.field);
        SetMainTitle(t.ctx, "new.rle");
    }));
    EXPECT_TRUE(LiveCells(t.ctx.field).empty());
    EXPECT_EQ(t.host.lastTitle(), "new.rle - Gridbloom");
}

// Runs check in a child process whose address space may grow by only extraMiB more; its exit
// status is the result.
[[maybe_unused]] int WithLittleMemory(std::size_t extraMiB, const std::function<int()>& check) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::ifstream statm("/proc/self/statm");
        std::size_t pages = 0;
        statm >> pages;
        const rlim_t limit = pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (extraMiB << 20);
        const rlimit r{limit, limit};
        if (::setrlimit(RLIMIT_AS, &r) != 0) ::_exit(90);
        ::_exit(check());
    }
    int status = -1;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST_F(ReadGuard, OpeningAndPastingMoreThanMemoryHoldsChangeNothing) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit allows";
#else
    const fs::path dir = fs::temp_directory_path() / ("gb-readguard-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    // A comment of 96 MiB: the reader keeps a file's comment text to show it, so the reading
    // needs far more memory than the 32 MiB allowed.
    const fs::path huge = dir / "huge.rle";
    {
        std::ofstream out(huge, std::ios::binary);
        const std::string line = "#C " + std::string(8000, 'a') + "\n";
        for (int i = 0; i < 96 * 131; ++i) out << line;
    }
    const auto unchanged = [this](int failedStep) {
        EXPECT_NO_FATAL_FAILURE(ExpectUnchangedAfterTheMemoryBox());
        return ::testing::Test::HasFailure() ? failedStep : 0;
    };
    EXPECT_EQ(WithLittleMemory(32,
                               [&] {
                                   if (LoadDocument(t.ctx, huge.string())) return 1;
                                   return unchanged(2);
                               }),
              0);
    EXPECT_EQ(WithLittleMemory(32,
                               [&] {
                                   OpenRlePath(t.ctx, huge.string());
                                   return unchanged(3);
                               }),
              0);
    // A picture of 64 MiB on the clipboard.
    t.host.clipboard = std::string(std::size_t{64} << 20, '*');
    EXPECT_EQ(WithLittleMemory(32,
                               [&] {
                                   PasteFromClipboard(t.ctx);
                                   return unchanged(4);
                               }),
              0);
    fs::remove_all(dir);
#endif
}

// Whatever a read that runs short of memory half-way leaves behind, every cell the Field holds is
// counted, found by the extent, written and cleared: no cell lies where the Field does not know.
TEST_F(ReadGuard, ALifeReadShortOfMemoryLeavesNoCellTheFieldDoesNotKnow) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit allows";
#else
    const fs::path dir = fs::temp_directory_path() / ("gb-readguard106-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
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
                                   if (LiveCellCount(f) != static_cast<std::int64_t>(held.size())) return 4;
                                   if (!test::SameExtent(FieldExtent(f), test::ExtentOf(held))) return 5;
                                   test::TestContext back;
                                   ReadRleFile(back.ctx, WriteRleFile(t.ctx), "back.rle");
                                   if (test::Shape(LiveCells(back.ctx.field)) != test::Shape(held)) return 6;
                                   ClearCells(f);
                                   for (int y = 0; y < f.cells().height(); ++y)
                                       for (int x = 0; x < f.cells().width(); ++x)
                                           if (f.cells().get(x, y)) return 7;
                                   return 0;
                               }),
              0);
    fs::remove_all(dir);
#endif
}

}  // namespace
}  // namespace gb
