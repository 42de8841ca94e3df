// The whole program in one process: CLGApp starts, the real main window with its menus,
// accelerators and view is driven with keys and the mouse, and message boxes are answered from
// a script.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

#include "app/commands.h"
#include "app/lg_app.h"
#include "app/main_frame.h"
#include "app/menu_bar.h"
#include "app/profile.h"
#include "session/frame.h"
#include "session/run.h"
#include "tests/support/field_fixture.h"
#include "tests/support/grab.h"
#include "view/lg_view.h"

namespace gb {
namespace {

// The program's own host, except that boxes are recorded and answered from a script (the
// first button, Yes or OK, when nothing is scripted). `during` runs inside the next box.
class BoxScriptHost : public QtHost {
public:
    std::deque<Button> answers;
    std::vector<MessageBox> boxes;
    std::function<void()> during;

    Button showMessage(const MessageBox& box) override {
        boxes.push_back(box);
        if (during) std::exchange(during, nullptr)();
        if (!answers.empty()) {
            const Button b = answers.front();
            answers.pop_front();
            return b;
        }
        return box.buttons == Buttons::YesNo || box.buttons == Buttons::YesNoCancel ? Button::Yes
                                                                                    : Button::Ok;
    }
};

struct App {
    BoxScriptHost host;
    CLGApp app;
    explicit App(const QString& profilePath) : app(&host, profilePath) {
        QApplication::setQuitOnLastWindowClosed(false);
        app.Start();
        host.boxes.clear();  // the quick-launch list's own message, if any
        frame().activateWindow();
        (void)QTest::qWaitForWindowActive(&frame());
        view().setFocus();
        view().DrawFrame(false);
    }
    CMainFrame& frame() { return *app.mainFrame(); }
    CLGView& view() { return *frame().view(); }
    Context& ctx() { return app.context(); }
    // The pixel at the middle of cell (x, y) in the last frame.
    QPoint pixelOf(int x, int y) {
        const ViewState& v = ctx().view;
        return QPoint(static_cast<int>((x + 0.5 - v.viewLeft) * v.zoom),
                      static_cast<int>((y + 0.5 - v.viewTop) * v.zoom));
    }
    int live() { return static_cast<int>(CountCells(ctx().field)); }
    // A blinker across the field's centre (600 .. 602 of row 600), drawn once.
    void drawnBlinker() {
        test::PlacePicture(ctx().field, 600, 600, {"***"});
        view().DrawFrame(false);
    }
    // A pointer move with a button held. QTest's own moves carry no modifiers (and reset the
    // modifier state), so a drag with Shift held is sent this way.
    void drag(QPoint to, Qt::KeyboardModifiers mods) {
        QMouseEvent e(QEvent::MouseMove, to, view().mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                      mods);
        QCoreApplication::sendEvent(&view(), &e);
    }
    void trigger(int id) { frame().menus().action(id)->trigger(); }
};

struct MainWindow : ::testing::Test {
    QTemporaryDir dir;
    QString profilePath() const { return dir.filePath("Gridbloom.ini"); }
};

// "label = id" lines, separators as "-", submenus as "> title" with their items indented. Hidden
// items (recent-file slots without a file) are left out.
void DumpMenu(const QMenu* menu, const QString& indent, QStringList& out) {
    for (const QAction* a : menu->actions()) {
        if (!a->isVisible()) continue;
        if (a->isSeparator())
            out << indent + "-";
        else if (a->menu() != nullptr) {
            out << indent + "> " + a->text();
            DumpMenu(a->menu(), indent + "  ", out);
        } else
            out << indent + a->text() + " = " + QString::number(a->data().toInt());
    }
}

TEST_F(MainWindow, EveryMenuLabelAndCommandIdAsTabled) {
    App a(profilePath());
    QStringList got;
    int n = 0;
    for (QAction* top : a.frame().menuBar()->actions()) {
        got << "[" + top->text() + "]";
        DumpMenu(top->menu(), "  ", got);
        test::MaybeGrab(*top->menu(), QString("menu%1").arg(++n));
    }
    QStringList quick;
    for (int i = 1; i <= 30; ++i)
        quick << QString::fromUtf8("  - クイック起動 %1 - = %2").arg(i).arg(32848 + i);
    for (int i = 31; i <= 50; ++i)
        quick << QString::fromUtf8("  - クイック起動 %1 - = %2").arg(i).arg(32856 + i);
    const QString expected = QString::fromUtf8(R"([ファイル(&F)]
  新規作成(&N)	Ctrl+N = 57600
  開く(&O)...	Ctrl+O = 57601
  名前を付けて保存(&A)	Ctrl+S = 57604
  -
  最近使ったファイル = 57616
  -
  Gridbloomの終了(&X) = 57665
[編集(&E)]
  クリア	Delete = 57632
  -
  編集開始 = 32798
  編集終了 = 32799
  -
  貼り付け	Ctrl+V = 32908
  -
  > 移動
    センタリング（範囲基準） = 32910
    センタリング（重心位置基準） = 32911
    数値指定 = 32912
[クイック起動(&Q)]
QUICK
[実行(&X)]
  開始	Enter = 32809
  停止	スペース = 32810
  -
  1世代進む	スペース = 32838
  -
  指定世代で停止 = 32917
[表示(&V)]
  縮小	F1 = 32837
  拡大	F2 = 32836
  拡大率数値指定 = 32789
  -
  > スクロール
    左へ	← = 32840
    右へ	→ = 32841
    上へ	↑ = 32842
    下へ	↓ = 32843
    フィールドの中心へ = 32844
    アクティブセルの中心へ = 32913
    アクティブセルの重心へ = 32848
  -
  > 色
    アクティブセル = 32796
    背景 = 32886
    グリッド = 32907
  -
  グリッド = 32802
[設定(&S)]
  タイマーインターバル = 32811
  > クイック起動メニュー
    ファイル名を表示しない = 32879
    ファイル名を表示する = 32880
    パス名つきで表示する = 32881
  ルール = 32883
  フィールドサイズ = 32909
[ヘルプ(&H)]
  説明 = 32916
  キーボード操作 = 32808
  マウス操作 = 32915
  Gridbloom のバージョン情報(&A)... = 32884)")
                                 .replace("QUICK", quick.join("\n"));
    EXPECT_EQ(got.join("\n").toStdString(), expected.toStdString());
    // No copy, cut, undo or standard paste anywhere in the menus.
    for (int id : {cmd::EditCopy, cmd::EditCut, cmd::EditUndo, cmd::EditPasteStd})
        EXPECT_EQ(a.frame().menus().action(id), nullptr);
}

TEST_F(MainWindow, StandardEditKeysAndCtrlSDoNothing) {
    App a(profilePath());
    a.drawnBlinker();
    const QString title = a.frame().windowTitle();
    // Even with a save command in place, the Ctrl+S shown beside it is bound to nothing.
    int saves = 0;
    a.frame().commands().add(cmd::FileSaveAs, [&] { ++saves; });
    for (QAction* action : a.frame().findChildren<QAction*>())
        EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();
    const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {
        {Qt::Key_C, Qt::ControlModifier},    {Qt::Key_Insert, Qt::ControlModifier},
        {Qt::Key_X, Qt::ControlModifier},    {Qt::Key_Delete, Qt::ShiftModifier},
        {Qt::Key_Z, Qt::ControlModifier},    {Qt::Key_Backspace, Qt::AltModifier},
        {Qt::Key_Insert, Qt::ShiftModifier}, {Qt::Key_S, Qt::ControlModifier},
        {Qt::Key_F6, Qt::NoModifier},        {Qt::Key_F6, Qt::ShiftModifier},
    };
    for (const auto& [key, mods] : keys) {
        QTest::keyClick(&a.view(), key, mods);
        SCOPED_TRACE(QKeySequence(key | mods).toString().toStdString());
        EXPECT_TRUE(a.host.boxes.empty());
        EXPECT_EQ(a.live(), 3);
        EXPECT_EQ(a.ctx().field.generation, 0);
        EXPECT_FALSE(a.ctx().run.running);
        EXPECT_EQ(a.frame().windowTitle(), title);
        EXPECT_TRUE(a.frame().isVisible());
    }
    EXPECT_EQ(saves, 0);
}

TEST_F(MainWindow, DeleteAsksAndClearsAndDoesNothingOnAnEmptyField) {
    App a(profilePath());
    QTest::keyClick(&a.view(), Qt::Key_Delete);  // empty: the command is disabled
    EXPECT_TRUE(a.host.boxes.empty());

    a.drawnBlinker();
    a.host.answers = {Button::No};
    QTest::keyClick(&a.view(), Qt::Key_Delete);
    ASSERT_EQ(a.host.boxes.size(), 1u);
    EXPECT_EQ(a.host.boxes[0].caption, "クリアが選択されました。");
    EXPECT_EQ(a.live(), 3);
    QTest::keyClick(&a.view(), Qt::Key_Delete);  // Yes
    EXPECT_EQ(a.host.boxes.size(), 2u);
    EXPECT_EQ(a.live(), 0);
    EXPECT_EQ(a.frame().windowTitle(), QString::fromUtf8("新規 - Gridbloom"));
}

TEST_F(MainWindow, EditModeDrawsUnderReportedPositionsAndBothButtonsErase) {
    App a(profilePath());
    a.frame().menus().updateAll();
    EXPECT_FALSE(a.frame().menus().action(cmd::EditEnd)->isEnabled());
    a.trigger(cmd::EditStart);
    EXPECT_TRUE(a.ctx().view.editMode);
    a.frame().menus().updateAll();
    EXPECT_FALSE(a.frame().menus().action(cmd::EditStart)->isEnabled());
    EXPECT_TRUE(a.frame().menus().action(cmd::EditEnd)->isEnabled());

    QTest::mousePress(&a.view(), Qt::LeftButton, Qt::NoModifier, a.pixelOf(600, 600));
    QTest::mouseMove(&a.view(), a.pixelOf(601, 600));
    QTest::mouseMove(&a.view(), a.pixelOf(610, 603));
    QTest::mouseRelease(&a.view(), Qt::LeftButton, Qt::NoModifier, a.pixelOf(610, 603));
    EXPECT_EQ(a.live(), 3);
    EXPECT_EQ(a.ctx().field.at(600, 600), 1);
    EXPECT_EQ(a.ctx().field.at(601, 600), 1);
    EXPECT_EQ(a.ctx().field.at(610, 603), 1);
    EXPECT_EQ(a.view().cursor().shape(), Qt::CrossCursor);

    QTest::mousePress(&a.view(), Qt::LeftButton, Qt::NoModifier, a.pixelOf(620, 620));
    QTest::mousePress(&a.view(), Qt::RightButton, Qt::NoModifier, a.pixelOf(620, 620));
    QTest::mouseMove(&a.view(), a.pixelOf(601, 600));
    QTest::mouseMove(&a.view(), a.pixelOf(621, 620));
    QTest::mouseRelease(&a.view(), Qt::RightButton, Qt::NoModifier, a.pixelOf(621, 620));
    QTest::mouseRelease(&a.view(), Qt::LeftButton, Qt::NoModifier, a.pixelOf(621, 620));
    EXPECT_EQ(a.ctx().field.at(620, 620), 0);
    EXPECT_EQ(a.ctx().field.at(621, 620), 0);
    EXPECT_EQ(a.ctx().field.at(601, 600), 0);
    EXPECT_EQ(a.live(), 2);

    // The picture shows what was drawn.
    a.view().DrawFrame(false);
    const QPoint p = a.pixelOf(600, 600);
    EXPECT_EQ(a.view().lastFrame().pixel(p), qRgb(255, 0, 0));
}

TEST_F(MainWindow, ShiftInEditModeShowsTheMoveArrowAndDragsTheView) {
    App a(profilePath());
    a.trigger(cmd::EditStart);
    QTest::mouseMove(&a.view(), QPoint(50, 50));
    EXPECT_EQ(a.view().cursor().shape(), Qt::CrossCursor);
    QTest::keyPress(&a.view(), Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(a.view().cursor().shape(), Qt::SizeAllCursor);

    const float before = a.ctx().view.offsetX;
    QTest::mousePress(&a.view(), Qt::LeftButton, Qt::ShiftModifier, QPoint(300, 300));
    a.drag(QPoint(360, 300), Qt::ShiftModifier);
    QTest::mouseRelease(&a.view(), Qt::LeftButton, Qt::ShiftModifier, QPoint(360, 300));
    EXPECT_EQ(a.ctx().view.offsetX, before - 10);  // 60 pixels at zoom 6
    EXPECT_EQ(a.live(), 0);

    QTest::keyRelease(&a.view(), Qt::Key_Shift, Qt::NoModifier);
    EXPECT_EQ(a.view().cursor().shape(), Qt::CrossCursor);
}

TEST_F(MainWindow, ADragOutsideEditModeMovesTheViewAndADoubleClickCentres) {
    App a(profilePath());
    a.ctx().field.setCell(601, 601, 1);
    a.view().DrawFrame(false);
    const QPoint cell = a.pixelOf(601, 601);
    QTest::mousePress(&a.view(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    EXPECT_EQ(a.view().cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseMove(&a.view(), QPoint(160, 130));
    QTest::mouseRelease(&a.view(), Qt::LeftButton, Qt::NoModifier, QPoint(160, 130));
    EXPECT_EQ(a.view().cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(a.ctx().view.offsetX, -10);
    EXPECT_EQ(a.ctx().view.offsetY, -5);
    EXPECT_EQ(a.live(), 1);
    // The cell moved with the pointer.
    a.view().DrawFrame(false);
    EXPECT_EQ(a.pixelOf(601, 601), cell + QPoint(60, 30));
    EXPECT_EQ(a.view().lastFrame().pixel(cell + QPoint(60, 30)), qRgb(255, 0, 0));

    // A double click on that cell puts it at the centre of the view.
    QTest::mouseDClick(&a.view(), Qt::LeftButton, Qt::NoModifier, cell + QPoint(60, 30));
    a.view().DrawFrame(false);
    const QPoint centre(a.view().width() / 2, a.view().height() / 2);
    EXPECT_LE((a.pixelOf(601, 601) - centre).manhattanLength(), 6);
}

TEST_F(MainWindow, QuitWithYesWritesTheSettingsAndTheNextStartReadsThem) {
    {
        App a(profilePath());
        a.ctx().display.liveColor = 65280;  // 255 in the green byte
        a.ctx().display.gridShown = true;
        a.trigger(cmd::AppExit);
        ASSERT_EQ(a.host.boxes.size(), 1u);
        EXPECT_EQ(a.host.boxes[0].text, "終了しますか。");
        EXPECT_FALSE(a.frame().isVisible());
        EXPECT_FALSE(a.ctx().field.hasCells());
        EXPECT_FALSE(a.view().timerActive(ZOOM_LABEL_TIMER));
    }
    QFile file(profilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    for (const char* line :
         {"[Settings]", "color=65280", "backcolor=16777215", "gridcolor=14474460", "grid=1"})
        EXPECT_TRUE(text.contains(line)) << line;

    App next(profilePath());
    EXPECT_EQ(next.ctx().display.liveColor, 65280u);
    EXPECT_TRUE(next.ctx().display.gridShown);
    next.ctx().field.setCell(601, 601, 1);
    next.view().DrawFrame(false);
    EXPECT_EQ(next.view().lastFrame().pixel(next.pixelOf(601, 601)), qRgb(0, 255, 0));
}

TEST_F(MainWindow, QuitWithNoKeepsTheRunGoingAndASecondRequestAsksNothing) {
    App a(profilePath());
    a.drawnBlinker();
    QTest::keyClick(&a.view(), Qt::Key_Return);
    ASSERT_TRUE(a.ctx().run.running);

    a.host.during = [&] { a.frame().close(); };  // a second request while asking
    a.host.answers = {Button::No};
    EXPECT_FALSE(a.frame().close());
    EXPECT_EQ(a.host.boxes.size(), 1u);
    EXPECT_TRUE(a.frame().isVisible());
    EXPECT_TRUE(a.ctx().run.running);
    EXPECT_TRUE(a.ctx().field.hasCells());
    EXPECT_FALSE(QFile::exists(profilePath()));

    // The run really goes on: the timer keeps ticking.
    const std::int32_t generation = a.ctx().field.generation;
    for (int i = 0; i < 100 && a.ctx().field.generation == generation; ++i) QTest::qWait(20);
    EXPECT_GT(a.ctx().field.generation, generation);
    StopRun(a.ctx());
}

TEST_F(MainWindow, NewFromTheKeyboardLeavesEditModeOnAndTheRunStopped) {
    App a(profilePath());
    a.drawnBlinker();
    QTest::keyClick(&a.view(), Qt::Key_Return);
    QTest::keyClick(&a.view(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(a.host.boxes.size(), 1u);
    EXPECT_EQ(a.host.boxes[0].caption, "新規作成が選択されました。");
    EXPECT_EQ(a.live(), 0);
    EXPECT_TRUE(a.ctx().view.editMode);
    EXPECT_FALSE(a.ctx().run.running);
    EXPECT_FALSE(a.view().timerActive(RUN_TIMER));
    EXPECT_EQ(a.view().cursor().shape(), Qt::CrossCursor);
    EXPECT_EQ(a.frame().windowTitle(), QString::fromUtf8("新規 - Gridbloom"));
}

TEST_F(MainWindow, AboutBoxAndCurrentDirectoryHoldTheRunStillWhileOpen) {
    App a(profilePath());
    a.drawnBlinker();
    QTest::keyClick(&a.view(), Qt::Key_Return);
    bool runningWhileOpen = true;
    QString title;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        runningWhileOpen = a.ctx().run.running || a.view().timerActive(RUN_TIMER);
        QTest::keyClick(box, Qt::Key_Return);  // OK is the default button
    });
    a.trigger(cmd::About);
    EXPECT_EQ(title, QString::fromUtf8("Gridbloomのバージョン情報"));
    EXPECT_FALSE(runningWhileOpen);
    EXPECT_TRUE(a.ctx().run.running);
    EXPECT_TRUE(a.view().timerActive(RUN_TIMER));

    // 32882 stands on no menu; the command still shows where the program is.
    a.host.during = [&] { runningWhileOpen = a.ctx().run.running; };
    a.frame().commands().run(cmd::CurrentDirectory);
    ASSERT_EQ(a.host.boxes.size(), 1u);
    EXPECT_EQ(a.host.boxes[0].caption, "現在のカレントディレクトリ");
    EXPECT_EQ(a.host.boxes[0].text, QDir::currentPath().toStdString());
    EXPECT_EQ(a.host.boxes[0].icon, Icon::None);
    EXPECT_FALSE(runningWhileOpen);
    EXPECT_TRUE(a.ctx().run.running);
    StopRun(a.ctx());
}

TEST(Profile, FoundBesideTheProgramFromAnotherCurrentDirectory) {
    QTemporaryDir elsewhere;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    const QString expected = QDir(QCoreApplication::applicationDirPath()).filePath("Gridbloom.ini");
    EXPECT_EQ(ProfilePath(), expected);
    {
        BoxScriptHost host;
        CLGApp app(&host);
        app.Start();
        EXPECT_EQ(app.profile()->fileName(), expected);
        app.mainFrame()->hide();
    }
    QDir::setCurrent(before);
}

}  // namespace
}  // namespace gb
