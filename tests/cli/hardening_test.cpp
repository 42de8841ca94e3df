// gridbloom-cli under hostile limits: a file-size limit during a save, an address-space limit
// while reading a huge file.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "tests/cli/cli_harness.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;  // the exit status, or 128 + the signal that ended the tool
    std::string err;
};

class CliLimits : public ::testing::Test, protected gb::test::TempDir {
protected:
    CliLimits() : TempDir("gridbloom-cli-limits") {}

    // Runs the tool in dir under one resource limit, with the signals as a shell leaves them and
    // the environment variables given added.
    Outcome Run(const std::vector<std::string>& args, int resource, rlim_t limit,
                const fs::path& stdoutFile = "/dev/null",
                const std::vector<std::pair<std::string, std::string>>& env = {}) const {
        const fs::path err = dir / ".stderr";
        const pid_t pid = ::fork();
        if (pid == 0) {
            gb::clitest::EnterAndRedirect(dir, stdoutFile, err);
            std::signal(SIGXFSZ, SIG_DFL);
            const rlimit r{limit, limit};
            if (::setrlimit(resource, &r) != 0) ::_exit(124);
            for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
            gb::clitest::ExecTool(args);
        }
        Outcome out;
        int status = 0;
        if (pid > 0 && ::waitpid(pid, &status, 0) == pid)
            out.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        out.err = gb::test::ReadBytes(err);
        fs::remove(err);
        return out;
    }
};

// A side × side pattern of scattered cells, as RLE (one token a cell) or as a picture of the
// given dead and live characters.
std::string ScatteredPattern(int side = 200, const char* picture = nullptr) {
    std::string out =
        picture ? "" : "x = " + std::to_string(side) + ", y = " + std::to_string(side) + "\n";
    std::uint32_t seed = 12345;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            seed = seed * 1103515245u + 12345u;
            const bool live = (seed >> 16) % 3 == 0;
            out += picture ? picture[live ? 1 : 0] : live ? 'o' : 'b';
        }
        out += picture ? "\n" : y == side - 1 ? "!\n" : "$\n";
    }
    return out;
}

TEST_F(CliLimits, AFileSizeLimitMakesAnOrdinaryFailedSave) {
    std::ofstream(dir / "in.rle", std::ios::binary) << ScatteredPattern();
    const std::string old = "#N old\nx = 1, y = 1\no!\n";
    std::ofstream(dir / "keep.rle", std::ios::binary) << old;

    const Outcome r = Run({"run", "in.rle", "-o", "keep.rle"}, RLIMIT_FSIZE, 1024);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("保存できません。"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(std::strerror(EFBIG)), std::string::npos) << r.err;
    EXPECT_EQ(gb::test::ReadBytes(dir / "keep.rle"), old);
    EXPECT_EQ(Names(), (std::vector<std::string>{"in.rle", "keep.rle"}));  // no temporary left

    // The same save within the limit goes through.
    const Outcome fine = Run({"run", "in.rle", "-o", "keep.rle"}, RLIMIT_FSIZE, 1 << 20);
    EXPECT_EQ(fine.status, 0) << fine.err;
    EXPECT_NE(gb::test::ReadBytes(dir / "keep.rle"), old);
}

// The standard output named as the output file: the pattern follows the report there.
TEST_F(CliLimits, SavingToTheStandardOutputWritesIntoIt) {
    std::ofstream(dir / "in.rle", std::ios::binary) << "x = 3, y = 1\n3o!\n";
    const Outcome r =
        Run({"run", "in.rle", "-o", "/dev/fd/1"}, RLIMIT_FSIZE, RLIM_INFINITY, dir / "shown.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string shown = gb::test::ReadBytes(dir / "shown.txt");
    EXPECT_EQ(shown.rfind("rule 23/3", 0), 0u) << shown;
    EXPECT_NE(shown.find("\nx = 3, y = 1"), std::string::npos) << shown;
    EXPECT_TRUE(fs::is_symlink("/dev/stdout"));
}

// Whatever the tool prints on standard output is an output: when a full disk refuses it, the
// status says so, as for a pattern or picture sent there.
TEST_F(CliLimits, AFullStandardOutputEndsWithStatusOne) {
    std::ofstream(dir / "in.rle", std::ios::binary) << "x = 3, y = 1\n3o!\n";
    const std::vector<std::vector<std::string>> outputs = {
        {"run", "in.rle", "-g", "2"},  // the summary
        {"info", "in.rle", "--json"},  // the summary as JSON
        {"run", "in.rle", "-g", "3", "--stats",
         "-"},  // statistics rows; the summary on standard error
        {"--version"},
    };
    for (const auto& args : outputs) {
        SCOPED_TRACE(args[0] + " " + args.back());
        const Outcome full = Run(args, RLIMIT_FSIZE, RLIM_INFINITY, "/dev/full");
        EXPECT_EQ(full.status, 1) << full.err;
        EXPECT_NE(full.err.find("standard output"), std::string::npos) << full.err;
        const Outcome fine = Run(args, RLIMIT_FSIZE, RLIM_INFINITY, "/dev/null");
        EXPECT_EQ(fine.status, 0) << fine.err;
    }
}

// A disk that fails in the middle of the input: nothing is loaded, nothing is saved over it.
TEST_F(CliLimits, AReadThatFailsPartWaySavesNothing) {
    const std::pair<std::string, std::string> files[] = {
        {"soup.rle", ScatteredPattern(400)},
        {"soup.lif", "#Life 1.05\n" + ScatteredPattern(400, ".*")},
        {"soup.txt", ScatteredPattern(400, ".*")},
    };
    std::string asan = std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "";
    asan += ":verify_asan_link_order=0";
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        std::ofstream(dir / name, std::ios::binary) << bytes;
        const Outcome r = Run({"run", name, "-o", name}, RLIMIT_FSIZE, RLIM_INFINITY, "/dev/null",
                              {{"LD_PRELOAD", GRIDBLOOM_READ_FAULT_SHIM},
                               {"GB_FAIL_READ", "/" + name},
                               {"GB_FAIL_READ_AFTER", "1"},
                               {"ASAN_OPTIONS", asan}});
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("ファイル\"" + name + "\"が見つかりません。"), std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("cannot be read"), std::string::npos) << r.err;
        EXPECT_TRUE(gb::test::ReadBytes(dir / name) == bytes) << "the input was written over";
    }
}

// A file with a header, a pattern and then gigabytes of NUL bytes (sparse: no disk) is read at
// the speed of reading it: well within a CPU limit that a byte-by-byte walk would overrun.
TEST_F(CliLimits, NulFilledRunsAfterAPatternAreReadAtOnce) {
    const std::pair<std::string, std::string> files[] = {
        {"zeros.rle", "x = 3, y = 1\n3o!\n"},
        {"zeros105.lif", "#Life 1.05\n***\n"},
        {"zeros106.lif", "#Life 1.06\n-1 0\n0 0\n1 0\n"},
    };
    for (const auto& [name, head] : files) {
        SCOPED_TRACE(name);
        const int fd = ::open((dir / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, head.data(), head.size()), static_cast<ssize_t>(head.size()));
        ASSERT_EQ(::ftruncate(fd, off_t{1} << 30), 0);
        ::close(fd);
        const Outcome r = Run({"info", name}, RLIMIT_CPU, 10, dir / "shown.txt");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(gb::test::ReadBytes(dir / "shown.txt").find("population 3\n"), std::string::npos)
            << gb::test::ReadBytes(dir / "shown.txt");
        fs::remove(dir / name);
    }
}

// Devices and files that never end, or hardly, named as pictures: refused at once as what no text
// holds (NUL bytes), well within a CPU limit.
TEST_F(CliLimits, EndlessInputsAreNoPictures) {
    for (const char* device : {"/dev/zero", "/dev/urandom", "/dev/full", "/proc/self/pagemap"}) {
        SCOPED_TRACE(device);
        fs::remove(dir / "endless.txt");
        fs::create_symlink(device, dir / "endless.txt");
        const Outcome r = Run({"info", "endless.txt"}, RLIMIT_CPU, 10);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("サポートしていないファイル形式なので読み込めません。"),
                  std::string::npos)
            << r.err;
    }
}

TEST_F(CliLimits, RunningOutOfMemoryWhileReadingEndsWithStatusOne) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit allows";
#else
    // A file far larger than the address space the tool may take (sparse: it costs no disk).
    {
        const int fd = ::open((dir / "huge.rle").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        const std::string head = "#C ";
        ASSERT_EQ(::write(fd, head.data(), head.size()), static_cast<ssize_t>(head.size()));
        ASSERT_EQ(::ftruncate(fd, 320 << 20), 0);
        ::close(fd);
    }
    const std::string old = "x = 1, y = 1\no!\n";
    std::ofstream(dir / "keep.rle", std::ios::binary) << old;

    const Outcome r = Run({"run", "huge.rle", "-o", "keep.rle"}, RLIMIT_AS, rlim_t{200} << 20);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err.find("terminate"), std::string::npos) << r.err;
    EXPECT_EQ(gb::test::ReadBytes(dir / "keep.rle"), old);
#endif
}

}  // namespace
