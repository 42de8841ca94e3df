#include "app/shell_commands.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <filesystem>

#include "app/commands.h"
#include "app/install_layout.h"
#include "session/context.h"
#include "session/run.h"
#include "view/help.h"

// The icons are compiled into this static library; make sure they are registered.
static void InitGridbloomResources() { Q_INIT_RESOURCE(gridbloom); }

namespace gb {

void InitResources() {
    static const bool done = (InitGridbloomResources(), true);
    (void)done;
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("Gridbloomのバージョン情報"));
    QFont face = font();
    face.setFamilies({QString::fromUtf8("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    face.setPointSize(9);
    setFont(face);
    auto* layout = new QGridLayout(this);
    InitResources();
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(":/icons/gridbloom.png").pixmap(32, 32));
    auto* text = new QLabel(QStringLiteral("Gridbloom Version %1").arg(GRIDBLOOM_VERSION), this);
    text->setObjectName("versionText");
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(icon, 0, 0, Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(text, 0, 1, Qt::AlignVCenter | Qt::AlignLeft);
    layout->addWidget(ok, 0, 2, Qt::AlignTop | Qt::AlignRight);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(1, 1);  // the row hugs the icon, so the text sits beside it
    setMinimumSize(352, 89);      // 235 × 55 dialog units
}

void ShowAbout(Context& ctx, QWidget* parent) {
    PauseRun(ctx);
    AboutDialog dialog(parent);
    dialog.exec();
    ResumeRun(ctx);
}

void ShowCurrentDirectory(Context& ctx) {
    std::error_code error;
    const std::string dir = std::filesystem::current_path(error).string();
    PauseRun(ctx);
    ViewMessageBox(ctx, "現在のカレントディレクトリ", dir, Icon::None);
    ResumeRun(ctx);
}

void RegisterShellCommands(CommandRegistry& registry, Context& ctx, QWidget* window) {
    registry.add(cmd::HelpDescription,
                 [&ctx] { OpenHelpFile(ctx, OpenWithDesktop, OpenHelpDocument); });
    registry.add(cmd::HelpKeyboard, [&ctx] { ShowKeyboardHelp(ctx); });
    registry.add(cmd::HelpMouse, [&ctx] { ShowMouseHelp(ctx); });
    registry.add(cmd::About, [&ctx, window] { ShowAbout(ctx, window); });
    registry.add(cmd::CurrentDirectory, [&ctx] { ShowCurrentDirectory(ctx); });
    registry.add(cmd::AppExit, [window] { window->close(); });
}

}  // namespace gb
