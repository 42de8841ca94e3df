#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/lg_app.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName("Gridbloom");

    // Qt's own Japanese texts, so standard buttons and dialogs read as the rest of the program.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese), "qtbase", "_",
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    // At most one pattern file on the command line (Qt's own options are already taken out).
    const QStringList args = QApplication::arguments();
    const std::string file = args.size() > 1 ? args[1].toStdString() : std::string();

    gb::CLGApp app;
    if (!app.Start(file)) return 1;
    return QApplication::exec();
}
