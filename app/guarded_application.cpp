#include "app/guarded_application.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>

namespace gb {

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // A write over the file-size limit then fails with EFBIG and is reported like any failed
    // save, instead of the signal ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        noMemory();
    } catch (const std::length_error&) {
        noMemory();
    }
    return false;
}

void GuardedApplication::noMemory() {
    if (onNoMemory_) {
        onNoMemory_();
        return;
    }
    std::fputs("gridbloom: out of memory\n", stderr);
    std::exit(1);
}

}  // namespace gb
