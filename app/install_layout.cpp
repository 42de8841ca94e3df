#include "app/install_layout.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QUrl>

namespace gb {

namespace {

constexpr const char* kProfileName = "Gridbloom.ini";
constexpr const char* kHelpDocument = "help/index.html";

}  // namespace

QString InstalledDataDirectory(const QString& programFile) {
    if (programFile.isEmpty()) return {};
    const QDir own = QFileInfo(programFile).absoluteDir();
    if (own.exists("quicklaunch.dat")) return {};
    const QDir installed(own.filePath("../share/gridbloom"));
    if (!installed.exists("quicklaunch.dat")) return {};
    return QDir::cleanPath(installed.absolutePath());
}

bool DirectoryTakesFiles(const QString& dir) {
    const QFileInfo info(dir);
    if (dir.isEmpty() || !info.isDir() || !info.isWritable()) return false;
    QTemporaryFile probe(QDir(dir).filePath("Gridbloom-XXXXXX.probe"));
    return probe.open();
}

QString ProfileLocation(const QString& programFile, const QString& configHome,
                        const std::function<bool(const QString&)>& takesFiles) {
    const QString inConfig = QDir::cleanPath(configHome + "/Gridbloom/" + kProfileName);
    const bool haveConfig = !configHome.isEmpty();
    if (haveConfig && !InstalledDataDirectory(programFile).isEmpty()) return inConfig;
    const QString programDir =
        programFile.isEmpty() ? QString() : QFileInfo(programFile).absolutePath();
    if (!programDir.isEmpty() && (!haveConfig || takesFiles(programDir)))
        return QDir(programDir).filePath(kProfileName);
    if (haveConfig) return inConfig;
    // Neither the program's directory nor a configuration directory is known.
    return QDir::current().filePath(kProfileName);
}

QString HelpDocumentLocation(const QString& programFile) {
    if (programFile.isEmpty()) return {};
    const QDir own = QFileInfo(programFile).absoluteDir();
    if (own.exists(kHelpDocument)) return QDir::cleanPath(own.absoluteFilePath(kHelpDocument));
    const QString data = InstalledDataDirectory(programFile);
    if (!data.isEmpty() && QDir(data).exists(kHelpDocument))
        return QDir(data).filePath(kHelpDocument);
    return {};
}

bool OpenHelpDocument() {
    const QString document = HelpDocumentLocation(QCoreApplication::applicationFilePath());
    if (document.isEmpty()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(document));
}

}  // namespace gb
