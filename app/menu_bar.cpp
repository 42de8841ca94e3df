#include "app/menu_bar.h"

#include <QMenu>
#include <QShortcut>

namespace gb {

namespace {

QString Utf8(const char* s) { return QString::fromUtf8(s); }

}  // namespace

MenuBar::MenuBar(QWidget* window, QMenuBar* bar, const CommandRegistry& registry)
    : bar_(bar), registry_(registry) {
    using namespace cmd;
    // The accelerator table. Like the menu, an accelerator runs its command only while the
    // command's update rule leaves it enabled. Ctrl+C, Ctrl+X, Ctrl+Z and Shift+Insert are bound
    // to nothing, so they do nothing.
    const std::pair<QKeySequence, int> accelerators[] = {
        {QKeySequence("Ctrl+N"), FileNew},
        {QKeySequence("Ctrl+O"), FileOpen},
        {QKeySequence("Ctrl+V"), Paste},
        {QKeySequence(Qt::Key_Delete), EditClear},
    };
    for (const auto& [keys, id] : accelerators) {
        auto* shortcut = new QShortcut(keys, window);
        QObject::connect(shortcut, &QShortcut::activated, window,
                         [this, id = id] { registry_.runIfEnabled(id); });
    }

    QMenu* file = addMenu(bar, Utf8("ファイル(&F)"));
    addItem(file, Utf8("新規作成(&N)\tCtrl+N"), FileNew);
    addItem(file, Utf8("開く(&O)...\tCtrl+O"), FileOpen);
    addItem(file, Utf8("名前を付けて保存(&A)\tCtrl+S"), FileSaveAs);
    file->addSeparator();
    addItem(file, Utf8("最近使ったファイル"), RecentFile1);
    file->addSeparator();
    addItem(file, Utf8("Gridbloomの終了(&X)"), AppExit);

    QMenu* edit = addMenu(bar, Utf8("編集(&E)"));
    addItem(edit, Utf8("クリア\tDelete"), EditClear);
    edit->addSeparator();
    addItem(edit, Utf8("編集開始"), EditStart);
    addItem(edit, Utf8("編集終了"), EditEnd);
    edit->addSeparator();
    addItem(edit, Utf8("貼り付け\tCtrl+V"), Paste);
    edit->addSeparator();
    QMenu* move = addMenu(edit, Utf8("移動"));
    addItem(move, Utf8("センタリング（範囲基準）"), CentreByExtent);
    addItem(move, Utf8("センタリング（重心位置基準）"), CentreByCentroid);
    addItem(move, Utf8("数値指定"), MoveByAmount);

    QMenu* quick = addMenu(bar, Utf8("クイック起動(&Q)"));
    for (int n = 1; n <= 50; ++n)
        addItem(quick, QString::fromUtf8("- クイック起動 %1 -").arg(n), QuickLaunchItem(n));

    QMenu* run = addMenu(bar, Utf8("実行(&X)"));
    addItem(run, Utf8("開始\tEnter"), RunStart);
    addItem(run, Utf8("停止\tスペース"), RunStop);
    run->addSeparator();
    addItem(run, Utf8("1世代進む\tスペース"), RunStep);
    run->addSeparator();
    addItem(run, Utf8("指定世代で停止"), RunStopAt);

    QMenu* view = addMenu(bar, Utf8("表示(&V)"));
    addItem(view, Utf8("縮小\tF1"), ZoomOut);
    addItem(view, Utf8("拡大\tF2"), ZoomIn);
    addItem(view, Utf8("拡大率数値指定"), ZoomDialog);
    view->addSeparator();
    QMenu* scroll = addMenu(view, Utf8("スクロール"));
    addItem(scroll, Utf8("左へ\t←"), ScrollLeft);
    addItem(scroll, Utf8("右へ\t→"), ScrollRight);
    addItem(scroll, Utf8("上へ\t↑"), ScrollUp);
    addItem(scroll, Utf8("下へ\t↓"), ScrollDown);
    addItem(scroll, Utf8("フィールドの中心へ"), ScrollFieldCentre);
    addItem(scroll, Utf8("アクティブセルの中心へ"), ScrollExtentCentre);
    addItem(scroll, Utf8("アクティブセルの重心へ"), ScrollCentroid);
    view->addSeparator();
    QMenu* colour = addMenu(view, Utf8("色"));
    addItem(colour, Utf8("アクティブセル"), ColorLive);
    addItem(colour, Utf8("背景"), ColorBack);
    addItem(colour, Utf8("グリッド"), ColorGrid);
    view->addSeparator();
    addItem(view, Utf8("グリッド"), GridToggle);

    QMenu* settings = addMenu(bar, Utf8("設定(&S)"));
    addItem(settings, Utf8("タイマーインターバル"), TimerInterval);
    QMenu* quickMode = addMenu(settings, Utf8("クイック起動メニュー"));
    addItem(quickMode, Utf8("ファイル名を表示しない"), QuickLaunchNoFileName);
    addItem(quickMode, Utf8("ファイル名を表示する"), QuickLaunchFileName);
    addItem(quickMode, Utf8("パス名つきで表示する"), QuickLaunchPathName);
    addItem(settings, Utf8("ルール"), Rule);
    addItem(settings, Utf8("フィールドサイズ"), FieldSize);

    QMenu* help = addMenu(bar, Utf8("ヘルプ(&H)"));
    addItem(help, Utf8("説明"), HelpDescription);
    addItem(help, Utf8("キーボード操作"), HelpKeyboard);
    addItem(help, Utf8("マウス操作"), HelpMouse);
    addItem(help, Utf8("Gridbloom のバージョン情報(&A)..."), About);
}

QMenu* MenuBar::addMenu(QWidget* parent, const QString& title) {
    QMenu* menu = nullptr;
    if (auto* parentMenu = qobject_cast<QMenu*>(parent))
        menu = parentMenu->addMenu(title);
    else
        menu = bar_->addMenu(title);
    menus_.push_back(menu);
    QObject::connect(menu, &QMenu::aboutToShow, menu, [this, menu] { update(menu); });
    return menu;
}

QAction* MenuBar::addItem(QMenu* menu, const QString& label, int id) {
    QAction* a = menu->addAction(label);
    a->setData(id);
    actions_[id] = a;
    labels_[a] = label;
    QObject::connect(a, &QAction::triggered, a, [this, id] { registry_.runIfEnabled(id); });
    const CommandState s = registry_.state(id);
    a->setEnabled(s.enabled);
    return a;
}

QAction* MenuBar::action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void MenuBar::update(QMenu* menu) const {
    for (QAction* a : menu->actions()) {
        if (a->isSeparator() || a->menu() != nullptr || !a->data().isValid()) continue;
        const CommandState s = registry_.state(a->data().toInt());
        a->setEnabled(s.enabled);
        a->setCheckable(s.checked);
        a->setChecked(s.checked);
        a->setVisible(s.visible);
        const auto label = labels_.find(a);
        a->setText(s.text ? *s.text : (label != labels_.end() ? label->second : a->text()));
    }
}

void MenuBar::updateAll() const {
    for (QMenu* m : menus_) update(m);
}

QMenu* MenuBar::menuWithTitle(const QString& title) const {
    for (QMenu* m : menus_)
        if (m->title() == title) return m;
    return nullptr;
}

}  // namespace gb
