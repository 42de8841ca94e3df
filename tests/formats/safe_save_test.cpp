#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "formats/safe_save.h"
#include "session/document.h"
#include "tests/formats/format_test_util.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace gb {
namespace {

namespace fs = std::filesystem;

struct SafeSave : ::testing::Test, test::TempDir {
    std::string error;
    SafeSave() : TempDir("gb-safesave") {}
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
    return test::InChild([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(99);
        return check();
    });
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

// The in-place save's calls, failing on cue. Writes go in pieces of at most 1000 bytes, so a
// save takes several.
struct Cue {
    int from = 0, to = 0;  // calls from .. to (counting from 1) fail; 0: none
    int err = EIO;
    int calls = 0;
    bool fails() {
        ++calls;
        return from != 0 && calls >= from && calls <= to;
    }
};
Cue gWrite, gTruncate, gSync, gReserve;
int gQuotaLimitKb = 0;  // a user's hard block limit; 0: no quota can be read

void InstallFaults() {
    InPlaceSaveCalls& c = InPlaceSaveCallsInUse();
    c.pwrite = [](int fd, const void* b, std::size_t n, off_t at) -> ssize_t {
        if (gWrite.fails()) return errno = gWrite.err, -1;
        return ::pwrite(fd, b, std::min<std::size_t>(n, 1000), at);
    };
    c.ftruncate = [](int fd, off_t n) {
        return gTruncate.fails() ? (errno = gTruncate.err, -1) : ::ftruncate(fd, n);
    };
    c.fsync = [](int fd) { return gSync.fails() ? (errno = gSync.err, -1) : ::fsync(fd); };
    c.reserve = [](int, off_t) { return gReserve.fails() ? (errno = gReserve.err, -1) : 0; };
    c.getQuota = [](int, int kind, unsigned, struct dqblk* q) {
        if (gQuotaLimitKb == 0 || kind != USRQUOTA) return errno = ESRCH, -1;
        q->dqb_valid = QIF_BLIMITS | QIF_SPACE;
        q->dqb_bhardlimit = static_cast<unsigned>(gQuotaLimitKb);
        q->dqb_curspace = static_cast<unsigned>(gQuotaLimitKb) * 1024 - 100;
        return 0;
    };
}

// An in-place save under faults: the old file is either put back as it was or reported as
// changed, never left half written behind a message saying it is unchanged.
TEST_F(SafeSave, AFailedInPlaceSavePutsTheOldBytesBackOrSaysItCouldNot) {
    const std::string old(2500, 'o'), fresh(9000, 'n');
    const fs::path target = dir / "inplace.rle";
    struct Case {
        const char* name;
        Cue write, truncate, sync, reserve;
        int quotaKb;
        int err;             // the reason given, 0 for success
        bool changed;        // what the save says of the old file
        const char* result;  // "old", "new" or "" (neither)
    };
    const Case cases[] = {
        {"third write", {3, 3}, {}, {}, {}, 0, EIO, false, "old"},
        {"ftruncate", {}, {1, 1}, {}, {}, 0, EIO, false, "old"},
        {"fsync", {}, {}, {1, 1, ENOSPC}, {}, 0, ENOSPC, false, "old"},
        {"third write, and putting back", {3, 99}, {}, {}, {}, 0, EIO, true, ""},
        {"every write, the first included", {1, 99}, {}, {}, {}, 0, EIO, false, "old"},
        {"reservation over quota", {}, {}, {}, {1, 1, EDQUOT}, 0, EDQUOT, false, "old"},
        {"quota counted by hand", {}, {}, {}, {1, 1, EOPNOTSUPP}, 2, EDQUOT, false, "old"},
        {"no quota to count", {}, {}, {}, {1, 1, EOPNOTSUPP}, 0, 0, false, "new"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::permissions(dir, fs::perms::owner_all);
        Write("inplace.rle", old);
        fs::permissions(target, fs::perms::all);
        fs::permissions(dir, static_cast<fs::perms>(0555));
        const int status = AsOrdinaryUser([&] {
            gWrite = c.write, gTruncate = c.truncate, gSync = c.sync, gReserve = c.reserve;
            gQuotaLimitKb = c.quotaKb;
            InstallFaults();
            std::string reason;
            bool changed = !c.changed;
            const bool written = WriteFileAtomically(target.string(), fresh, reason, &changed);
            if (written != (c.err == 0)) return 1;
            if (!written && reason != std::strerror(c.err)) return 2;
            if (!written && changed != c.changed) return 3;
            // A refused save writes nothing at all.
            if ((c.err == EDQUOT) != (gWrite.calls == 0)) return 4;
            return 0;
        });
        EXPECT_EQ(status, 0);
        const std::string now = test::ReadBytes(target.string());
        const std::string left = now == old ? "old" : now == fresh ? "new" : "";
        EXPECT_EQ(left, c.result) << now.size() << " bytes";
    }
    // The save's message tells which it was.
    for (const bool restored : {true, false}) {
        fs::permissions(dir, fs::perms::owner_all);
        Write("inplace.rle", old);
        fs::permissions(target, fs::perms::all);
        fs::permissions(dir, static_cast<fs::perms>(0555));
        EXPECT_EQ(AsOrdinaryUser([&] {
                      // Failing once the glider is written: its truncation, then putting back.
                      gWrite = restored ? Cue{} : Cue{2, 99}, gTruncate = {1, 1}, gSync = {},
                      gReserve = {};
                      InstallFaults();
                      test::TestContext t;
                      test::PlacePicture(t.ctx, 600, 600, {".*", "..*", "***"});
                      if (StoreDocument(t.ctx, target.string(), nullptr)) return 1;
                      const std::string said = t.host.lastBox().text;
                      const bool unchanged =
                          said.find("元のファイルは変更されていません。") != std::string::npos;
                      const bool changed =
                          said.find("元のファイルは変更されましたが、元に戻せませんでした。") !=
                          std::string::npos;
                      return unchanged == restored && changed != restored ? 0 : 2;
                  }),
                  0);
        EXPECT_EQ(test::ReadBytes(target.string()) == old, restored);
    }
    // A file that may be written but not read: its old bytes could not be kept, so it is not
    // written over.
    fs::permissions(dir, fs::perms::owner_all);
    Write("inplace.rle", old);
    fs::permissions(target, static_cast<fs::perms>(0222));
    fs::permissions(dir, static_cast<fs::perms>(0555));
    EXPECT_EQ(AsOrdinaryUser([&] {
                  std::string reason;
                  return WriteFileAtomically(target.string(), fresh, reason) ? 1 : 0;
              }),
              0);
    EXPECT_TRUE(test::ReadBytes(target.string()) == old);
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
    EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0),
              "x = 1, y = 1\r\no!\r\n");
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
    EXPECT_EQ(std::string(pipeBuffer, got > 0 ? static_cast<std::size_t>(got) : 0),
              "through the pipe");
    const int out = ::open((dir / "out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(out, 0);
    ASSERT_EQ(::write(out, "report\n", 7), 7);
    EXPECT_TRUE(WriteFileAtomically("/proc/self/fd/" + std::to_string(out), "pattern\n", error))
        << error;
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
