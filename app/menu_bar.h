// The menu bar and the accelerators, built from one table of labels and command ids.
#pragma once

#include <QAction>
#include <QMenuBar>
#include <map>
#include <vector>

#include "app/commands.h"

namespace gb {

class MenuBar {
public:
    // Fills bar; every action carries its command id as data and runs it through registry.
    MenuBar(QWidget* window, QMenuBar* bar, const CommandRegistry& registry);

    QAction* action(int id) const;
    // Applies the update rules to every item of menu (what happens when it opens).
    void update(QMenu* menu) const;
    void updateAll() const;
    QMenu* menuWithTitle(const QString& title) const;

private:
    QMenu* addMenu(QWidget* parent, const QString& title);
    QAction* addItem(QMenu* menu, const QString& label, int id);

    QMenuBar* bar_;
    const CommandRegistry& registry_;
    std::map<int, QAction*> actions_;
    std::map<QAction*, QString> labels_;
    std::vector<QMenu*> menus_;
};

}  // namespace gb
