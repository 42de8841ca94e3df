#include "formats/read_guard.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/engine/cell_index.h"
#include "core/run.h"

namespace gb {

namespace {

// What a read may change, taken before it starts. Of the cells only the old pattern's live tiles
// are kept, each shrunk to its cells: outside them plane 0 held nothing.
struct BeforeRead {
    Rule rule;
    ViewState view;
    std::int32_t generation = 0;
    double population = 0;
    std::string title;
    std::string documentPath;
    int currentQuickLaunchItem = 0;
    std::vector<CellBox> boxes;
    std::vector<std::int8_t> cells;  // the boxes' bytes, row by row, one box after another

    explicit BeforeRead(const Context& ctx)
        : rule(ctx.rule),
          view(ctx.view),
          generation(ctx.field.generation),
          population(ctx.field.population),
          title(ctx.shell.windowTitle),
          documentPath(ctx.shell.documentPath),
          currentQuickLaunchItem(ctx.shell.currentQuickLaunchItem) {
        const Field& f = ctx.field;
        if (f.cells == nullptr) return;
        ForEachLiveBox(EnsureIndex(f), [&](CellBox box) {
            if (!ShrinkToCells(f, box)) return;
            const auto width = static_cast<std::size_t>(box.right - box.left + 1);
            for (int y = box.top; y <= box.bottom; ++y) {
                const std::int8_t* row = f.plane0() + static_cast<std::ptrdiff_t>(y) * f.gridWidth + box.left;
                cells.insert(cells.end(), row, row + width);
            }
            boxes.push_back(box);
        });
    }

    // Puts everything back; allocates nothing but what the title needs.
    void restore(Context& ctx) const {
        Field& f = ctx.field;
        if (f.cells != nullptr) {
            ClearCells(f);
            const std::int8_t* from = cells.data();
            for (const CellBox& box : boxes) {
                const auto width = static_cast<std::size_t>(box.right - box.left + 1);
                for (int y = box.top; y <= box.bottom; ++y, from += width)
                    std::memcpy(&f.at(box.left, y), from, width);
                NoteCellsWritten(f, box.left, box.top, box.right, box.bottom);
            }
        }
        f.generation = generation;
        f.population = population;
        ctx.rule = rule;
        ctx.view = view;
        ctx.shell.documentPath = documentPath;
        ctx.shell.currentQuickLaunchItem = currentQuickLaunchItem;
        if (ctx.shell.windowTitle != title) {
            ctx.shell.windowTitle = title;
            if (ctx.host.hasMainWindow()) ctx.host.setWindowTitle(title);
        }
    }
};

void ReportNoMemory(Context& ctx) {
    ctx.field.busy = 0;
    RefreshCursor(ctx);
    ctx.shell.messageCaption = "メモリ不足です。";
    AppMessageBox(ctx, "パターン読み込み領域が確保できません。", Icon::Exclamation);
}

}  // namespace

bool ReadWithinMemory(Context& ctx, const std::function<void()>& read) {
    std::optional<BeforeRead> before;
    try {
        before.emplace(ctx);
    } catch (const std::bad_alloc&) {
        ReportNoMemory(ctx);
        return false;
    }
    try {
        read();
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
        // A size beyond what a string or vector can hold: out of memory as well.
    }
    before->restore(ctx);
    ctx.host.invalidateView();
    ReportNoMemory(ctx);
    return false;
}

}  // namespace gb
