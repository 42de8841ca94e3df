#include "app/guarded_application.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>

namespace gb {

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

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
