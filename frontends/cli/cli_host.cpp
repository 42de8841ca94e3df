#include "frontends/cli/cli_host.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "session/shell.h"
#include "frontends/cli/english.h"

namespace gb::cli {

std::string BoxLines(const MessageBox& box, bool english) {
    std::string text = DisplayLines(english ? InEnglish(box.text) : box.text);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return (english ? InEnglish(box.caption) : box.caption) + "\n" + text + "\n";
}

Button CliHost::showMessage(const MessageBox& box) {
    boxes_.push_back(box);
    const bool held =
        titleSet_ && heldCaption_ && box.icon == Icon::Information && box.caption == *heldCaption_;
    if (!held) std::cerr << BoxLines(box, english_) << std::flush;
    switch (box.buttons) {
        case Buttons::Ok:
            return Button::Ok;
        case Buttons::OkCancel:
            if (answerYes_) return Button::Ok;
            declined_ = true;
            return Button::Cancel;
        case Buttons::YesNo:
        case Buttons::YesNoCancel:
            break;
    }
    if (answerYes_) return Button::Yes;
    declined_ = true;
    return Button::No;
}

void CliHost::setWindowTitle(const std::string&) {
    titleSet_ = true;
    boxesAtTitle_ = boxes_.size();
}

std::string CliHost::programPath() const {
    std::string path(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) return {};
    path.resize(static_cast<std::size_t>(n));
    return path;
}

void CliHost::exitProcess(int status) {
    std::cout.flush();
    std::cerr.flush();
    std::exit(status);
}

void CliHost::resetRecord() {
    titleSet_ = false;
    declined_ = false;
    boxes_.clear();
    boxesAtTitle_ = 0;
}

std::vector<MessageBox> CliHost::boxesSinceTitle() const {
    if (!titleSet_) return {};
    return {boxes_.begin() + static_cast<std::ptrdiff_t>(boxesAtTitle_), boxes_.end()};
}

}  // namespace gb::cli
