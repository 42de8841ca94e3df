// The profile Gridbloom.ini: the display settings and the recent-file list.
#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace gb {

struct DisplaySettings;

// Gridbloom.ini of the running program (ProfileLocation): beside it, or under the user's
// configuration directory when it is installed or its directory takes no files.
QString ProfilePath();
std::unique_ptr<QSettings> OpenProfile(const QString& path = ProfilePath());

// Section "Settings": "color", "backcolor", "gridcolor", "grid"; missing keys give the defaults.
void LoadDisplaySettings(QSettings& profile, DisplaySettings& display);
void SaveDisplaySettings(QSettings& profile, const DisplaySettings& display);

}  // namespace gb
