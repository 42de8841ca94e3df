// Drives the built gridbloom-cli as a user does: arguments, standard input from a file or a
// pipe, and its exit status and output.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace gb::clitest {

namespace fs = std::filesystem;

inline const std::string kTool = GRIDBLOOM_CLI;
inline const fs::path kPatterns = fs::path(GRIDBLOOM_SOURCE_DIR) / "res" / "patterns";

using test::ReadBytes;

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct Result {
    int status = -1;  // -1 when the tool did not end by itself
    std::string out;
    std::string err;
    std::vector<std::string> lines() const { return Lines(out); }
};

// In a child process: works in dir, standard output and error going to the files out and err
// (a relative name is taken in dir); a failure ends the child with 125 or 126.
inline void EnterAndRedirect(const fs::path& dir, const fs::path& out, const fs::path& err) {
    if (::chdir(dir.c_str()) != 0) ::_exit(125);
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (o < 0 || e < 0) ::_exit(126);
    ::dup2(o, 1);
    ::dup2(e, 2);
}

// In a child process: becomes the tool with these arguments, or ends with 127.
[[noreturn]] inline void ExecTool(const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(kTool.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(kTool.c_str(), argv.data());
    ::_exit(127);
}

// The four lines a run or info prints for the Field.
struct Report {
    std::string rule;
    long long generation = -1;
    long long population = -1;
    std::string extent;  // "L T R B W H" or "none"
};

// How standard input reaches the tool.
enum class Feed { None, File, Pipe };

class CliTest : public ::testing::Test, protected test::TempDir {
protected:
    CliTest() : TempDir("gridbloom-cli-test") {}

    fs::path Temp(const std::string& name) const { return dir / name; }
    // Runs the tool with these arguments; standard output and error go to files, standard input
    // comes from input through a file or a pipe. A tool that hangs is ended after a minute.
    Result Run(const std::vector<std::string>& args, Feed feed = Feed::None,
               const std::string& input = {}) const {
        const fs::path out = dir / ".stdout", err = dir / ".stderr", in = dir / ".stdin";
        if (feed == Feed::File) std::ofstream(in, std::ios::binary) << input;
        int pipeEnds[2] = {-1, -1};
        if (feed == Feed::Pipe && ::pipe(pipeEnds) != 0) return {};
        const pid_t pid = ::fork();
        if (pid == 0) {
            EnterAndRedirect(dir, out, err);
            if (feed == Feed::File) {
                const int i = ::open(in.c_str(), O_RDONLY);
                if (i < 0) ::_exit(126);
                ::dup2(i, 0);
            } else if (feed == Feed::Pipe) {
                ::dup2(pipeEnds[0], 0);
                ::close(pipeEnds[0]);
                ::close(pipeEnds[1]);
            }
            ::alarm(60);
            ExecTool(args);
        }
        if (feed == Feed::Pipe) {
            // The tool may stop reading early; a closed pipe must not end the test.
            std::signal(SIGPIPE, SIG_IGN);
            ::close(pipeEnds[0]);
            std::size_t done = 0;
            while (done < input.size()) {
                const ssize_t n = ::write(pipeEnds[1], input.data() + done, input.size() - done);
                if (n <= 0) break;
                done += static_cast<std::size_t>(n);
            }
            ::close(pipeEnds[1]);
        }
        Result r;
        int status = 0;
        if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            r.status = WEXITSTATUS(status);
        r.out = ReadBytes(out);
        r.err = ReadBytes(err);
        return r;
    }

    // The four lines of text (from standard output unless said otherwise).
    static Report ParseReport(const std::string& text) {
        const auto lines = Lines(text);
        Report rep;
        if (lines.size() < 4) {
            ADD_FAILURE() << "fewer than four lines:\n" << text;
            return rep;
        }
        const auto after = [&](std::size_t i, const std::string& key) {
            EXPECT_EQ(lines[i].rfind(key + " ", 0), 0u) << lines[i];
            return lines[i].substr(std::min(lines[i].size(), key.size() + 1));
        };
        rep.rule = after(0, "rule");
        rep.generation = std::stoll(after(1, "generation"));
        rep.population = std::stoll(after(2, "population"));
        rep.extent = after(3, "extent");
        return rep;
    }

    Report RunReport(const std::vector<std::string>& args) const {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return ParseReport(r.out);
    }

    static std::string Pattern(const std::string& name) { return (kPatterns / name).string(); }
};

inline std::vector<long long> Numbers(const std::string& extent) {
    std::istringstream in(extent);
    std::vector<long long> v;
    for (long long n; in >> n;) v.push_back(n);
    return v;
}

}  // namespace gb::clitest
