// Commands of the application shell: help, the about box, the current directory, quitting.
#pragma once

#include <QDialog>

namespace gb {

struct Context;
class CommandRegistry;

// Registers the compiled-in icons (once).
void InitResources();

// The about box: the program's icon, "Gridbloom Version 0.3.1" and OK.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

// Pause, show the about box, resume.
void ShowAbout(Context& ctx, QWidget* parent);
// Pause, a box captioned "現在のカレントディレクトリ" holding the current directory, resume.
void ShowCurrentDirectory(Context& ctx);

// Help menu, about box, current directory (no menu item) and quit (closes window).
void RegisterShellCommands(CommandRegistry& registry, Context& ctx, QWidget* window);

}  // namespace gb
