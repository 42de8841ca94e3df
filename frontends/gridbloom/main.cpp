#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstring>
#include <new>

#include "app/guarded_application.h"
#include "app/lg_app.h"

namespace {

const char kUsage[] =
    "Usage: gridbloom [PATTERN-FILE]\n"
    "\n"
    "Draw, run and study Life-family cellular automata.\n"
    "PATTERN-FILE is an RLE (.rle), Life 1.05/1.06 (.lif) or text picture (.txt) file to open.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "  -v, --version  show the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
    // Our own options come before Qt sees the command line, so they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
            std::printf("Gridbloom %s\n", GRIDBLOOM_VERSION);
            return 0;
        }
    }

    gb::GuardedApplication qapp(argc, argv);
    QApplication::setApplicationName("Gridbloom");
    // Lets the desktop match the window to the installed entry and its icon.
    QGuiApplication::setDesktopFileName("io.github.gridbloom.Gridbloom");

    // Qt's own Japanese texts, so standard buttons and dialogs read as the rest of the program.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese), "qtbase", "_",
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    // At most one pattern file on the command line (Qt's own options are already taken out).
    const QStringList args = QApplication::arguments();
    const std::string file = args.size() > 1 ? args[1].toStdString() : std::string();

    gb::CLGApp app;
    qapp.setMemoryFailure([&app] { gb::EndForLackOfMemory(app.context()); });
    // A file that cannot be read has shown the reader's message; the program starts all the same.
    try {
        app.Start(file);
    } catch (const std::bad_alloc&) {
        gb::EndForLackOfMemory(app.context());
    }
    return QApplication::exec();
}
