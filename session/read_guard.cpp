#include "session/read_guard.h"

#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "formats/bytes.h"
#include "session/context.h"
#include "session/run.h"
#include "session/shell.h"

namespace gb {

void ReportFileNotFound(Context& ctx, const std::string& path) {
    SetBusy(ctx, false);
    ctx.shell.messageCaption = "ファイルが見つかりません。";
    AppMessageBox(ctx, "ファイル\"" + path + "\"が見つかりません。", Icon::Exclamation);
}

namespace {

// What applying a pattern may change, taken before it starts. Of the cells only the old pattern's
// live tiles are kept: outside them the grid held nothing.
struct BeforeRead {
    Rule rule;
    ViewState view;  // with the population the last frame counted
    std::int32_t generation = 0;
    std::string title;
    std::string documentPath;
    int currentQuickLaunchItem = 0;
    Field::Snapshot cells;  // empty when there were no cells

    explicit BeforeRead(const Context& ctx)
        : rule(ctx.rule),
          view(ctx.view),
          generation(ctx.field.generation),
          title(ctx.shell.windowTitle),
          documentPath(ctx.shell.documentPath),
          currentQuickLaunchItem(ctx.shell.currentQuickLaunchItem) {
        const Field& f = ctx.field;
        if (f.hasCells()) cells = f.snapshotCells();
    }

    // Puts everything back. What it allocates is small: the title, and the Field's list of the
    // tiles written back.
    void restore(Context& ctx) const {
        Field& f = ctx.field;
        if (f.hasCells()) f.restoreCells(cells);
        f.generation = generation;
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
    SetBusy(ctx, false);
    ctx.shell.messageCaption = "メモリ不足です。";
    AppMessageBox(ctx, "パターン読み込み領域が確保できません。", Icon::Exclamation);
}

// Runs read, which changes nothing the user sees; path is null when no file is read.
ReadEnd Parse(Context& ctx, const std::string* path, const std::function<void()>& read) {
    ReadEnd end = ReadEnd::OutOfMemory;
    try {
        read();
        return ReadEnd::Done;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
        // A size beyond what a string or vector can hold: out of memory as well.
    } catch (const ReadFailure&) {
        if (path == nullptr) throw;
        end = ReadEnd::ReadFailed;
    }
    ctx.host.invalidateView();
    if (end == ReadEnd::ReadFailed)
        ReportFileNotFound(ctx, *path);
    else
        ReportNoMemory(ctx);
    return end;
}

}  // namespace

bool ReadWithinMemory(Context& ctx, const std::function<void()>& read) {
    return Parse(ctx, nullptr, read) == ReadEnd::Done;
}

ReadEnd ReadFileWithinMemory(Context& ctx, const std::string& path,
                             const std::function<void()>& read) {
    return Parse(ctx, &path, read);
}

bool ApplyWithinMemory(Context& ctx, const std::function<void()>& apply) {
    std::optional<BeforeRead> before;
    try {
        before.emplace(ctx);
    } catch (const std::bad_alloc&) {
        ReportNoMemory(ctx);
        return false;
    }
    try {
        apply();
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    before->restore(ctx);
    ctx.host.invalidateView();
    ReportNoMemory(ctx);
    return false;
}

}  // namespace gb
