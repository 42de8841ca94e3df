// The profile Gridbloom.ini: the display settings and the recent-file list.
#pragma once

#include <QSettings>
#include <QString>
#include <memory>
#include <string_view>

namespace gb {

struct DisplaySettings;

// Gridbloom.ini of the running program (ProfileLocation): beside it, or under the user's
// configuration directory when it is installed or its directory takes no files.
QString ProfilePath();
std::unique_ptr<QSettings> OpenProfile(const QString& path = ProfilePath());

// The name of a section (at the top level) or of a key (inside a section) as the profile spells
// it: names match without regard to case. A name the profile lacks comes back as given.
QString ProfileSection(QSettings& profile, const QString& name);
QString ProfileKey(QSettings& profile, const QString& name);
// A profile value as an integer, as the Windows profile reader takes it: the leading decimal
// integer (blanks and a sign allowed), whatever follows ignored; no digits read 0.
int ProfileInteger(std::string_view text);

// Section "Settings": "color", "backcolor", "gridcolor", "grid"; missing keys give the defaults.
void LoadDisplaySettings(QSettings& profile, DisplaySettings& display);
void SaveDisplaySettings(QSettings& profile, const DisplaySettings& display);

}  // namespace gb
