#include "app/guarded_application.h"

#include <QSettings>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>

namespace gb {

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The program keeps its settings in its own profile only. Qt's dialogs store what they
    // remember (the colour chooser its custom colours, the file dialog its history) in the user's
    // QtProject.conf, settings in the native format found by organisation name: their folder is
    // made one where no file can be, so they keep nothing and leave the file other Qt programs
    // share alone. The profile names its own file and is not affected.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
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
