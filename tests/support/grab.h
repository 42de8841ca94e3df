// Saves a picture of a widget when GRIDBLOOM_GRAB_DIR is set, so a developer can look at dialogs
// rendered by the tests (QT_QPA_PLATFORM=offscreen renders them with the real fonts).
#pragma once

#include <QDir>
#include <QWidget>

namespace gb::test {

inline void MaybeGrab(QWidget& widget, const QString& name) {
    const QByteArray dir = qgetenv("GRIDBLOOM_GRAB_DIR");
    if (dir.isEmpty()) return;
    widget.adjustSize();
    widget.grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(name + ".png"));
}

}  // namespace gb::test
