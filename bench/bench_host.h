// A silent Host and a Context of a chosen size for the benchmarks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "session/context.h"

namespace gb::bench {

class SilentHost : public Host {
public:
    Button showMessage(const MessageBox&) override { return Button::No; }
    bool hasMainWindow() const override { return false; }
    void setWindowTitle(const std::string&) override {}
    void setPointer(Pointer) override {}
    bool shiftHeld() const override { return false; }
    int setTimer(int id, int) override { return id; }
    void killTimer(int) override {}
    void invalidateView() override {}
    void repaintView() override {}
    std::optional<std::string> clipboardText() override { return std::nullopt; }
    std::optional<std::pair<int, int>> activeClientSize() const override { return std::nullopt; }
    std::string programPath() const override { return {}; }
    [[noreturn]] void exitProcess(int status) override {
        throw std::runtime_error("exit " + std::to_string(status));
    }
};

// A Field of side × side interior cells with its staging grid.
struct BenchContext {
    SilentHost host;
    Context ctx{host};
    bool ok = false;
    explicit BenchContext(int side) { ok = SetUpField(ctx, side, side); }
};

// A 50 % random soup in the interior of plane 0, the same for the same seed. One 64-bit draw
// gives 64 cells, so even a 32000 × 32000 Field fills in about a second.
inline void FillSoup(Field& f, unsigned seed) {
    // The draws form one stream of bits, cell after cell and row after row.
    std::mt19937_64 rng(seed);
    std::vector<std::uint64_t> row(static_cast<std::size_t>(f.fieldWidth + 63) / 64);
    std::uint64_t bits = 0;
    int left = 0;
    for (int y = 1; y < f.gridHeight - 1; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int i = 0; i < f.fieldWidth;) {
            if (left == 0) {
                bits = rng();
                left = 64;
            }
            const int take = std::min(left, std::min(64 - (i & 63), f.fieldWidth - i));
            const std::uint64_t chunk = take == 64 ? bits : bits & ((std::uint64_t{1} << take) - 1);
            row[static_cast<std::size_t>(i >> 6)] |= chunk << (i & 63);
            bits = take == 64 ? 0 : bits >> take;
            left -= take;
            i += take;
        }
        f.orRowBits(y, 1, row.data(), f.fieldWidth);
    }
}

// MemAvailable of /proc/meminfo in bytes; -1 when it cannot be read.
inline long long AvailableMemory() {
    std::ifstream in("/proc/meminfo");
    std::string key;
    long long value = 0;
    std::string unit;
    while (in >> key >> value >> unit)
        if (key == "MemAvailable:") return value * 1024;
    return -1;
}

// True when about `bytes` more can be taken comfortably (or when it cannot be told).
inline bool MemoryFor(long long bytes) {
    const long long available = AvailableMemory();
    return available < 0 || available >= bytes + bytes / 4;
}

}  // namespace gb::bench
