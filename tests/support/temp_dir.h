// A folder of a test's own files under the system's temporary folder, named after the test and
// removed with everything in it (unreadable parts included) when the test ends; and the bytes of
// a file.
#pragma once

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace gb::test {

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct TempDir {
    const std::filesystem::path dir;

    explicit TempDir(const std::string& prefix) : dir(PathFor(prefix)) {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    ~TempDir() {
        std::error_code error;
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all, error);
        std::filesystem::remove_all(dir, error);
    }
    static std::filesystem::path PathFor(const std::string& prefix) {
        std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(test.begin(), test.end(), '/', '_');  // parameterised tests: "Name/0"
        return std::filesystem::temp_directory_path() /
               (prefix + "-" + std::to_string(::getpid()) + "-" + test);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Writes the file name in the folder with these bytes; its path.
    std::filesystem::path Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return dir / name;
    }
    // The names of the folder's entries, sorted.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

}  // namespace gb::test
