#include "frontends/cli/cli_host.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "frontends/cli/english.h"
#include "session/shell.h"

namespace gb::cli {

std::string BoxLines(const MessageBox& box, bool english) {
    std::string text = DisplayLines(english ? InEnglish(box.text) : box.text);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return (english ? InEnglish(box.caption) : box.caption) + "\n" + text + "\n";
}

Button CliHost::showMessage(const MessageBox& box) {
    std::cerr << BoxLines(box, english_) << std::flush;
    switch (box.buttons) {
        case Buttons::Ok: return Button::Ok;
        case Buttons::OkCancel: return answerYes_ ? Button::Ok : Button::Cancel;
        case Buttons::YesNo:
        case Buttons::YesNoCancel: break;
    }
    return answerYes_ ? Button::Yes : Button::No;
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

}  // namespace gb::cli
