// A silent Host and a Context of a chosen size for the benchmarks.
#pragma once

#include <stdexcept>

#include "core/context.h"

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

// A Field of side × side interior cells (no staging grid: the benchmarks do not load).
struct BenchContext {
    SilentHost host;
    Context ctx{host};
    bool ok = false;
    explicit BenchContext(int side) {
        SetFieldSize(ctx.field, side, side);
        ok = AllocateCells(ctx, ctx.field.gridWidth, ctx.field.gridHeight) == kAllocOk;
        ctx.field.cellsAllocated = ok ? 1 : 0;
    }
};

}  // namespace gb::bench
