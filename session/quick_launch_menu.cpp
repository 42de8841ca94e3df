#include "session/quick_launch_menu.h"

#include <filesystem>
#include <system_error>

#include "formats/bytes.h"
#include "session/context.h"
#include "session/run.h"

namespace gb {

void ReadQuickLaunchFile(Context& ctx, QuickLaunch& list) {
    SetProgramDirectoryCurrent(ctx);
    switch (ReadQuickLaunchList("quicklaunch.dat", list)) {
        case QuickLaunchListRead::Read: return;
        case QuickLaunchListRead::Missing:
            ViewMessageBox(ctx, "クイック起動データファイルが見つかりません",
                           "クイック起動データファイル\"quicklaunch.dat\"が見つかりません。",
                           Icon::Exclamation);
            return;
        case QuickLaunchListRead::OtherVersion:
            ViewMessageBox(ctx, "クイック起動データファイルのバージョンが異なります。",
                           "クイック起動データファイルのバージョンが異なるので読み込めません。",
                           Icon::Exclamation);
            return;
    }
}

QuickLaunchItemState UpdateQuickLaunchItem(const Context& ctx, const QuickLaunch& list, int n) {
    QuickLaunchItemState s;
    s.checked = ctx.shell.currentQuickLaunchItem == n;
    if (n > list.quickLaunchCount) {
        s.text = "- クイック起動 " + std::to_string(n) + " -";
        return s;
    }
    const QuickLaunchEntry& e = list.entries[static_cast<std::size_t>(n)];
    s.enabled = true;
    s.text = e.title;
    s.text += '\t';
    if (list.displayMode != QuickLaunchDisplayMode::NoFileName) {
        s.text += '(';
        s.text +=
            list.displayMode == QuickLaunchDisplayMode::FileName ? FileNameOf(e.path) : e.path;
        s.text += ')';
    }
    // The item text fits 999 bytes, cut after the last whole character (a cut inside one would
    // make a UTF-8 title read as Shift-JIS).
    s.text = std::string(CutAtCharacter(s.text, kQuickLaunchItemBytes));
    return s;
}

void OpenQuickLaunchItem(Context& ctx, const QuickLaunch& list, int n, const PathOpeners& open) {
    ctx.shell.currentQuickLaunchItem = n;
    PauseRun(ctx);
    SetProgramDirectoryCurrent(ctx);
    const std::string path = n >= 1 && n <= kQuickLaunchMax
                                 ? list.entries[static_cast<std::size_t>(n)].path
                                 : std::string();
    const std::string localPath = QuickLaunchLocalPath(path);
    const std::string ext = ExtensionOf(path);
    if (ext == ".lif") {
        if (open.life) open.life(ctx, localPath);
    } else if (ext == ".txt" || ext == ".text") {
        if (open.text) open.text(ctx, localPath);
        ctx.host.repaintView();
    } else if (ext == ".rle") {
        if (open.rle) open.rle(ctx, localPath);
    }
    // Where the pattern came from: the current directory joined with a relative entry path, or
    // an absolute entry path as it stands.
    std::error_code error;
    if (std::filesystem::path(localPath).is_absolute())
        ctx.shell.documentPath = localPath;
    else
        ctx.shell.documentPath = std::filesystem::current_path(error).string() + "/" + localPath;
}

}  // namespace gb
