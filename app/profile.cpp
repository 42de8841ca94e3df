#include "app/profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/install_layout.h"
#include "session/view_state.h"

namespace gb {

QString ProfilePath() {
    const QString path =
        ProfileLocation(QCoreApplication::applicationFilePath(),
                        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    QDir().mkpath(QFileInfo(path).absolutePath());
    return path;
}

std::unique_ptr<QSettings> OpenProfile(const QString& path) {
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

namespace {

// The spelling a profile already uses for a name: section and key names match without regard to
// case, the exact spelling first.
QString Spelling(const QStringList& names, const QString& name) {
    if (names.contains(name)) return name;
    for (const QString& n : names)
        if (n.compare(name, Qt::CaseInsensitive) == 0) return n;
    return name;
}

// The value of a key of the current section as an integer; def when the key is missing.
int ReadProfileInt(QSettings& profile, const QString& name, int def) {
    const QString key = ProfileKey(profile, name);
    if (!profile.contains(key)) return def;
    const QVariant value = profile.value(key);
    // A value with a comma reads back as a list; its text starts with the first item.
    const QString text =
        value.typeId() == QMetaType::QStringList ? value.toStringList().value(0) : value.toString();
    return ProfileInteger(text.toStdString());
}

// Writes a key of the current section under the spelling the section already uses for it.
void WriteProfileInt(QSettings& profile, const QString& name, int value) {
    profile.setValue(ProfileKey(profile, name), value);
}

}  // namespace

QString ProfileSection(QSettings& profile, const QString& name) {
    return Spelling(profile.childGroups(), name);
}

QString ProfileKey(QSettings& profile, const QString& name) {
    return Spelling(profile.childKeys(), name);
}

int ProfileInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::uint32_t value = 0;  // beyond 32 bits the digits wrap, as a 32-bit conversion does
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}

void LoadDisplaySettings(QSettings& profile, DisplaySettings& display) {
    profile.beginGroup(ProfileSection(profile, "Settings"));
    display.liveColor = static_cast<std::uint32_t>(ReadProfileInt(profile, "color", 255));
    display.backColor = static_cast<std::uint32_t>(ReadProfileInt(profile, "backcolor", 16777215));
    display.gridColor = static_cast<std::uint32_t>(ReadProfileInt(profile, "gridcolor", 14474460));
    display.gridShown = ReadProfileInt(profile, "grid", 0) != 0;
    profile.endGroup();
}

void SaveDisplaySettings(QSettings& profile, const DisplaySettings& display) {
    profile.beginGroup(ProfileSection(profile, "Settings"));
    WriteProfileInt(profile, "color", static_cast<int>(display.liveColor));
    WriteProfileInt(profile, "backcolor", static_cast<int>(display.backColor));
    WriteProfileInt(profile, "gridcolor", static_cast<int>(display.gridColor));
    WriteProfileInt(profile, "grid", display.gridShown ? 1 : 0);
    profile.endGroup();
    profile.sync();
}

}  // namespace gb
