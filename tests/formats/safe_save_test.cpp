#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <cstring>

#include "formats/document.h"
#include "tests/formats/format_test_util.h"

namespace gb {
namespace {

namespace fs = std::filesystem;

struct SafeSave : ::testing::Test {
    fs::path dir;
    std::string error;
    void SetUp() override {
        dir = fs::temp_directory_path() / ("gb-safesave-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code e;
        fs::permissions(dir, fs::perms::owner_all, e);
        fs::remove_all(dir, e);
    }
    fs::path Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return dir / name;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static mode_t Mode(const fs::path& p) {
        struct stat st {};
        ::stat(p.c_str(), &st);
        return st.st_mode & 07777;
    }
};

TEST_F(SafeSave, LinksAreFollowedToTheFileTheyName) {
    const fs::path real = Write("real.rle", "old");
    fs::create_directories(dir / "sub");
    fs::create_symlink("../real.rle", dir / "sub" / "relative.rle");
    fs::create_symlink(dir / "sub" / "relative.rle", dir / "chain.rle");

    ASSERT_TRUE(WriteFileAtomically((dir / "chain.rle").string(), "new", error)) << error;
    EXPECT_EQ(test::ReadBytes(real.string()), "new");
    EXPECT_TRUE(fs::is_symlink(dir / "chain.rle"));
    EXPECT_TRUE(fs::is_symlink(dir / "sub" / "relative.rle"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"chain.rle", "real.rle", "sub"}));

    // A dangling link creates the file it names.
    fs::create_symlink("made.rle", dir / "dangling.rle");
    ASSERT_TRUE(WriteFileAtomically((dir / "dangling.rle").string(), "made", error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.rle"));
    EXPECT_EQ(test::ReadBytes((dir / "made.rle").string()), "made");

    // A cycle is an error, and nothing is created.
    fs::create_symlink("loop2", dir / "loop1");
    fs::create_symlink("loop1", dir / "loop2");
    EXPECT_FALSE(WriteFileAtomically((dir / "loop1").string(), "x", error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_symlink(dir / "loop1"));
}

TEST_F(SafeSave, ANameOfTheLongestLengthIsSavedSafely) {
    const std::string name(255, 'n');
    const fs::path target = Write(name, "old");
    ASSERT_TRUE(WriteFileAtomically(target.string(), "new", error)) << error;
    EXPECT_EQ(test::ReadBytes(target.string()), "new");
    EXPECT_EQ(Names(), std::vector<std::string>{name});
}

TEST_F(SafeSave, TheNewFileKeepsTheOldPermissionBits) {
    const fs::path target = Write("mode.rle", "old");
    fs::permissions(target, static_cast<fs::perms>(0640));
    ASSERT_TRUE(WriteFileAtomically(target.string(), "new", error)) << error;
    EXPECT_EQ(Mode(target), 0640u);
    EXPECT_EQ(test::ReadBytes(target.string()), "new");

    // A new file gets the usual bits, not the private ones of a temporary file.
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(WriteFileAtomically((dir / "fresh.rle").string(), "x", error)) << error;
    ::umask(mask);
    EXPECT_EQ(Mode(dir / "fresh.rle"), 0644u);
}

// Runs check in a child process as an ordinary user (nobody, when the tests run as root, where
// permissions refuse nothing); its status is the child's exit status.
int AsOrdinaryUser(const std::function<int()>& check) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(99);
        ::_exit(check());
    }
    int status = -1;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST_F(SafeSave, TheNewFileKeepsTheOldOwnerWhereAllowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
    const fs::path target = Write("owned.rle", "old");
    ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(WriteFileAtomically(target.string(), "new", error)) << error;
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(test::ReadBytes(target.string()), "new");
}

TEST_F(SafeSave, AFileTheUserMayNotWriteIsRefused) {
    const fs::path target = Write("readonly.rle", "precious");
    fs::permissions(target, static_cast<fs::perms>(0444));
    fs::permissions(dir, fs::perms::all);  // the folder would take the temporary file
    EXPECT_EQ(AsOrdinaryUser([&] {
                  std::string reason;
                  if (WriteFileAtomically(target.string(), "new", reason)) return 1;
                  return reason == std::strerror(EACCES) ? 0 : 2;
              }),
              0);
    EXPECT_EQ(test::ReadBytes(target.string()), "precious");
    EXPECT_EQ(Mode(target), 0444u);
    EXPECT_EQ(Names(), std::vector<std::string>{"readonly.rle"});
}

TEST_F(SafeSave, AWritableFileInAFolderThatTakesNoNewFileIsWrittenInPlace) {
    const fs::path target = Write("inplace.rle", "a much longer old content");
    fs::permissions(target, fs::perms::all);
    fs::permissions(dir, static_cast<fs::perms>(0555));
    EXPECT_EQ(AsOrdinaryUser([&] {
                  std::string reason;
                  if (!WriteFileAtomically(target.string(), "short", reason)) return 1;
                  // A file that does not exist yet cannot be made there.
                  if (WriteFileAtomically((dir / "new.rle").string(), "x", reason)) return 2;
                  return 0;
              }),
              0);
    EXPECT_EQ(test::ReadBytes(target.string()), "short");
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(Names(), std::vector<std::string>{"inplace.rle"});
}

TEST_F(SafeSave, WhatIsNotARegularFileIsWrittenIntoNotReplaced) {
    const fs::path fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Held open for reading and writing, so neither side waits for the other.
    const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(WriteFileAtomically(fifo.string(), "x = 1, y = 1\r\no!\r\n", error)) << error;
    char buffer[64] = {};
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), "x = 1, y = 1\r\no!\r\n");
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A link to a device: the device takes the bytes and stays a device.
    fs::create_symlink("/dev/null", dir / "null.rle");
    EXPECT_TRUE(WriteFileAtomically((dir / "null.rle").string(), "bytes", error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir / "null.rle"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // An open descriptor named through /proc or /dev/fd: a pipe, and a file that already holds
    // what was written to the descriptor before, which stays in front.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const std::string pipePath = "/dev/fd/" + std::to_string(ends[1]);
    EXPECT_TRUE(WriteFileAtomically(pipePath, "through the pipe", error)) << error;
    ::close(ends[1]);
    char pipeBuffer[64] = {};
    const ssize_t got = ::read(ends[0], pipeBuffer, sizeof pipeBuffer);
    ::close(ends[0]);
    EXPECT_EQ(std::string(pipeBuffer, got > 0 ? static_cast<std::size_t>(got) : 0), "through the pipe");
    const int out = ::open((dir / "out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(out, 0);
    ASSERT_EQ(::write(out, "report\n", 7), 7);
    EXPECT_TRUE(WriteFileAtomically("/proc/self/fd/" + std::to_string(out), "pattern\n", error)) << error;
    ::close(out);
    EXPECT_EQ(test::ReadBytes((dir / "out.txt").string()), "report\npattern\n");
    EXPECT_TRUE(fs::is_symlink("/dev/stdout"));

    // A folder is neither replaced nor written.
    fs::create_directories(dir / "folder.rle");
    EXPECT_FALSE(WriteFileAtomically((dir / "folder.rle").string(), "x", error));
    EXPECT_EQ(error, std::strerror(EISDIR));
    EXPECT_TRUE(fs::is_directory(dir / "folder.rle"));
}

}  // namespace
}  // namespace gb
