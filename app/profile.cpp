#include "app/profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/install_layout.h"
#include "core/view_state.h"

namespace gb {

QString ProfilePath() {
    const QString path = ProfileLocation(
        QCoreApplication::applicationFilePath(),
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    QDir().mkpath(QFileInfo(path).absolutePath());
    return path;
}

std::unique_ptr<QSettings> OpenProfile(const QString& path) {
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

void LoadDisplaySettings(QSettings& profile, DisplaySettings& display) {
    profile.beginGroup("Settings");
    display.liveColor = static_cast<std::uint32_t>(profile.value("color", 255).toInt());
    display.backColor = static_cast<std::uint32_t>(profile.value("backcolor", 16777215).toInt());
    display.gridColor = static_cast<std::uint32_t>(profile.value("gridcolor", 14474460).toInt());
    display.gridShown = profile.value("grid", 0).toInt() != 0;
    profile.endGroup();
}

void SaveDisplaySettings(QSettings& profile, const DisplaySettings& display) {
    profile.beginGroup("Settings");
    profile.setValue("color", static_cast<int>(display.liveColor));
    profile.setValue("backcolor", static_cast<int>(display.backColor));
    profile.setValue("gridcolor", static_cast<int>(display.gridColor));
    profile.setValue("grid", display.gridShown ? 1 : 0);
    profile.endGroup();
    profile.sync();
}

}  // namespace gb
