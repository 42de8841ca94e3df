#include "formats/reader_common.h"

#include <algorithm>

#include "core/context.h"
#include "core/engine/extent.h"
#include "core/engine/field.h"
#include "core/run.h"
#include "core/shell.h"

namespace gb {

void ReportFileNotFound(Context& ctx, const std::string& path) {
    ctx.field.busy = 0;
    RefreshCursor(ctx);
    ctx.shell.messageCaption = "ファイルが見つかりません。";
    AppMessageBox(ctx, "ファイル\"" + path + "\"が見つかりません。", Icon::Exclamation);
}

std::string FileRuleText(std::string_view text) {
    std::string out(text.substr(0, text.find(':')));
    for (char& c : out) {
        if (c == 'b') c = 'B';
        if (c == 's') c = 'S';
    }
    return out;
}

std::string_view ControlLineText(std::string_view line) {
    std::string_view text = line.size() > 2 ? line.substr(2) : std::string_view();
    if (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return text;
}

void PlaceStagedCells(Field& f, const Extent& e, int dx, int dy) {
    if (!e.found) return;
    // The box of plane 0 the cells may land in: the staged box moved, within the interior.
    const long long left = std::max<long long>(1, static_cast<long long>(e.left) + dx);
    const long long right = std::min<long long>(f.gridWidth - 2, static_cast<long long>(e.right) + dx);
    const long long top = std::max<long long>(1, static_cast<long long>(e.top) + dy);
    const long long bottom =
        std::min<long long>(f.gridHeight - 2, static_cast<long long>(e.bottom) + dy);
    if (left > right || top > bottom) return;
    for (int y = e.top; y <= e.bottom; ++y) {
        const long long ty = static_cast<long long>(y) + dy;
        if (ty < 1 || ty > f.gridHeight - 2) continue;
        const std::int8_t* row = f.loadArea + static_cast<std::ptrdiff_t>(y) * f.loadWidth;
        for (int x = e.left; x <= e.right; ++x) {
            if (row[x] == 0) continue;
            const long long tx = static_cast<long long>(x) + dx;
            if (tx >= 1 && tx <= f.gridWidth - 2)
                f.at(static_cast<int>(tx), static_cast<int>(ty)) = row[x];
        }
    }
    NoteCellsWritten(f, static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                     static_cast<int>(bottom));
}

}  // namespace gb
