#include "session/shell.h"

#include <filesystem>
#include <system_error>

#include "session/context.h"

namespace gb {

Button AppMessageBox(Context& ctx, const std::string& text, Icon icon, Buttons buttons,
                     std::optional<Button> defaultButton) {
    MessageBox box{ctx.shell.messageCaption, text, icon, buttons, defaultButton};
    ctx.shell.messageCaption = kAppName;
    return ctx.host.showMessage(box);
}

Button ViewMessageBox(Context& ctx, const std::string& caption, const std::string& text, Icon icon,
                      Buttons buttons, std::optional<Button> defaultButton) {
    return ctx.host.showMessage(MessageBox{caption, text, icon, buttons, defaultButton});
}

void SetMainTitle(Context& ctx, const std::string& text) {
    if (!ctx.host.hasMainWindow()) return;
    ctx.shell.windowTitle = text + " - " + kAppName;
    ctx.host.setWindowTitle(ctx.shell.windowTitle);
}

namespace {

std::size_t LastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

}  // namespace

std::string ExtensionOf(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return std::string(path);
    std::string ext(path.substr(dot));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

std::string StripExtension(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    return std::string(dot == std::string_view::npos ? path : path.substr(0, dot));
}

std::string DirectoryOf(std::string_view path) {
    const std::size_t sep = LastSeparator(path);
    return std::string(sep == std::string_view::npos ? path : path.substr(0, sep));
}

std::string FileNameOf(std::string_view path) {
    const std::size_t sep = LastSeparator(path);
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

void SetProgramDirectoryCurrent(Context& ctx) {
    const std::string program = ctx.host.programPath();
    if (program.empty()) return;
    std::error_code ignored;
    std::filesystem::current_path(DirectoryOf(program), ignored);
}

}  // namespace gb

namespace gb {

std::string DisplayLines(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == '\r' || c == '\n') && i + 1 < text.size() &&
            (text[i + 1] == '\r' || text[i + 1] == '\n') && text[i + 1] != c) {
            out += '\n';
            ++i;
        } else if (c == '\r') {
            out += '\n';
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace gb
