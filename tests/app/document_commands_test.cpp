#include "app/doc_manager.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/commands.h"
#include "app/main_frame.h"
#include "app/menu_bar.h"
#include "app/qt_host.h"
#include "app/quick_launch_commands.h"
#include "engine/step.h"
#include "session/document.h"
#include "session/paste.h"
#include "session/run.h"
#include "tests/support/grab.h"
#include "tests/support/session_fixture.h"
#include "view/lg_view.h"

namespace gb {
namespace {

namespace fs = std::filesystem;

QStringList Names(const std::vector<FileFilter>& filters) {
    QStringList names;
    for (const FileFilter& f : filters) names << QString::fromStdString(f.name + " | " + f.pattern);
    return names;
}

struct TempDir {
    fs::path dir = fs::temp_directory_path() / ("gb-docapp-" + std::to_string(::getpid()));
    TempDir() {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~TempDir() { fs::remove_all(dir); }
    std::string file(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return (dir / name).string();
    }
};

TEST(FileDialogs, FiltersInOrder) {
    EXPECT_EQ(Names(FileDialogFilters(true)).join("\n"),
              QString::fromUtf8("すべてのファイル (*.*) | *.*\n"
                                "RLE ファイル (*.rle) | *.rle\n"
                                "Life 1.05／1.06 ファイル，RLE ファイル (*.lif) | *.lif\n"
                                "テキスト ファイル (*.txt) | *.txt"));
    EXPECT_EQ(Names(FileDialogFilters(false)).join("\n"),
              QString::fromUtf8("保存の際は必ず拡張子を指定してください | *.*\n"
                                "RLE ファイル (*.rle) | *.rle\n"
                                "Life 1.05／1.06 ファイル (*.lif) | *.lif\n"
                                "テキスト ファイル (*.txt) | *.txt\n"
                                "すべてのファイル (*.*) | *.*"));

    // The dialog shows the names as they stand, the first preselected.
    QFileDialog dialog;
    ConfigureFileDialog(dialog,
                        MakeFileDialogRequest(test::TestContext(false).ctx, false, "a.rle"));
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("名前を付けて保存"));
    EXPECT_EQ(dialog.nameFilters().size(), 5);
    const auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    EXPECT_EQ(types->itemText(0),
              QString::fromUtf8("保存の際は必ず拡張子を指定してください (*.*)"));
    EXPECT_EQ(types->itemText(2), QString::fromUtf8("Life 1.05／1.06 ファイル (*.lif)"));
    EXPECT_EQ(types->currentIndex(), 0);
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
}

// The names the dialog lists in its folder under the selected filter, once it lists expected.
QStringList ListedNames(QFileDialog& dialog, const QStringList& expected) {
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (model == nullptr) return {"(no model)"};
    QStringList names;
    (void)QTest::qWaitFor(
        [&] {
            names.clear();
            const QModelIndex folder = model->index(dialog.directory().absolutePath());
            for (int row = 0; row < model->rowCount(folder); ++row)
                names << model->fileName(model->index(row, 0, folder));
            names.sort();
            return names == expected;
        },
        3000);
    return names;
}

// "*.*" lists every file, a name without a dot too, while the labels read as before.
TEST(FileDialogs, TheAllFilesEntriesListNamesWithoutADot) {
    TempDir d;
    d.file("noextfile", "x");
    d.file("glider.rle", "x");
    const QStringList all{"glider.rle", "noextfile"};
    for (const bool isOpen : {true, false}) {
        SCOPED_TRACE(isOpen ? "open" : "save");
        QFileDialog dialog;
        const FileDialogRequest request =
            MakeFileDialogRequest(test::TestContext(false).ctx, isOpen, "");
        ConfigureFileDialog(dialog, request);
        dialog.setDirectory(QString::fromStdString(d.dir.string()));
        const auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(types, nullptr);
        ASSERT_EQ(types->count(), static_cast<int>(request.filters.size()));
        for (int i = 0; i < types->count(); ++i) {
            const FileFilter& f = request.filters[static_cast<std::size_t>(i)];
            const QString shown =
                QString::fromStdString(f.name.find("(" + f.pattern + ")") != std::string::npos
                                           ? f.name
                                           : f.name + " (" + f.pattern + ")");
            EXPECT_EQ(types->itemText(i), shown);
            dialog.selectNameFilter(dialog.nameFilters()[i]);
            const QStringList expected = f.pattern == "*.*"     ? all
                                         : f.pattern == "*.rle" ? QStringList{"glider.rle"}
                                                                : QStringList{};
            EXPECT_EQ(ListedNames(dialog, expected), expected) << f.name;
        }
    }
}

// A document manager whose dialogs are answered by a script.
struct ScriptedDocs {
    test::TestContext t;
    CMyDocManager docs{t.ctx, nullptr};
    std::vector<FileDialogRequest> requests;
    std::optional<std::string> answer;
    ScriptedDocs() {
        docs.setDialogRunner([this](const FileDialogRequest& r) {
            requests.push_back(r);
            return answer;
        });
        docs.setLifeFormatAsker([] { return LifeFormat::Life105; });
    }
};

TEST(FileDialogs, TheRunIsHeldWhileTheDialogIsUp) {
    ScriptedDocs s;
    s.t.ctx.field.setCell(10, 10, 1);
    StartRun(s.t.ctx);
    bool runningInside = true;
    s.docs.setDialogRunner([&](const FileDialogRequest&) {
        runningInside = s.t.ctx.run.running;
        return std::optional<std::string>();
    });
    std::string name;
    EXPECT_FALSE(s.docs.PromptFileName(name, false));
    EXPECT_FALSE(runningInside);
    EXPECT_TRUE(s.t.ctx.run.running);  // cancelled: the run goes on
    EXPECT_TRUE(s.t.host.activeTimers.count(RUN_TIMER));

    s.docs.setDialogRunner(
        [](const FileDialogRequest&) { return std::optional<std::string>("/tmp/x"); });
    EXPECT_TRUE(s.docs.PromptFileName(name, true));
    EXPECT_EQ(name, "/tmp/x");
    EXPECT_FALSE(s.t.ctx.run.running);  // confirmed: the run stays stopped
}

TEST(FileDialogs, ProposedNamesAfterOpenDropQuickLaunchAndNew) {
    TempDir d;
    ScriptedDocs s;
    const std::string glider = d.file("glider.rle", "x = 3, y = 3\nbo$2bo$3o!\n");
    const auto proposal = [&] {
        s.answer.reset();
        s.docs.OnFileSaveAs();
        return s.requests.back().fileName;
    };
    EXPECT_EQ(proposal(), "無題");  // nothing opened yet: the toolkit's name for a new document

    // Opened through the dialog: the document's own path, without its extension.
    s.answer = glider;
    s.docs.OnFileOpen();
    EXPECT_TRUE(s.requests.back().isOpen);
    EXPECT_EQ(s.requests.back().fileName, "");
    EXPECT_EQ(s.requests.back().title, "開く");
    EXPECT_EQ(s.t.host.lastTitle(), "glider.rle - Gridbloom");
    EXPECT_EQ(proposal(), (d.dir / "glider").string());

    // Dropped: the dropped path.
    const std::string dropped = d.file("dropped.life.lif", "#Life 1.06\n0 0\n1 0\n");
    DropPatternFile(s.t.ctx, dropped);
    EXPECT_EQ(proposal(), (d.dir / "dropped.life").string());

    // A quick-launch item: its path.
    s.t.ctx.shell.currentQuickLaunchItem = 7;
    s.t.ctx.shell.documentPath = "/prog/patterns/gun.rle";
    EXPECT_EQ(proposal(), "/prog/patterns/gun");

    // After New (and paste): "新規".
    s.t.host.clipboard = "*";
    PasteFromClipboard(s.t.ctx);
    EXPECT_EQ(proposal(), "新規");
    EXPECT_FALSE(s.requests.back().isOpen);
    EXPECT_EQ(s.requests.back().title, "名前を付けて保存");
}

TEST(FileDialogs, SaveAsWritesAndRemembersTheFile) {
    TempDir d;
    ScriptedDocs s;
    s.t.ctx.field.setCell(20, 20, 1);
    s.answer = (d.dir / "saved").string();
    s.docs.OnFileSaveAs();
    EXPECT_TRUE(fs::exists(d.dir / "saved"));
    EXPECT_EQ(s.t.host.lastBox().caption, "認識できない拡張子です。");
    EXPECT_EQ(s.t.ctx.shell.documentPath, (d.dir / "saved").string());
    EXPECT_EQ(s.t.host.lastTitle(), "saved - Gridbloom");
    ASSERT_EQ(s.docs.recentFiles().files().size(), 1u);
    EXPECT_EQ(s.docs.recentFiles().files()[0], (d.dir / "saved").string());
}

TEST(FileDialogs, RealDialogTakesATypedName) {
    TempDir d;
    test::TestContext t;
    t.ctx.field.setCell(30, 30, 1);
    CMyDocManager docs(t.ctx, nullptr);
    t.ctx.shell.documentPath = (d.dir / "proposed.rle").string();
    t.ctx.shell.currentQuickLaunchItem = -1;
    QString shownName;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        shownName = edit->text();
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(types, nullptr);
        EXPECT_EQ(types->currentText(),
                  QString::fromUtf8("保存の際は必ず拡張子を指定してください (*.*)"));
        // Let the dialog's directory listing arrive before typing (it may reset the name).
        QTest::qWait(300);
        test::MaybeGrab(*dialog, "save_dialog");
        edit->clear();
        QTest::keyClicks(edit, "typed.rle");
        auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
        ASSERT_NE(buttons, nullptr);
        QPushButton* save = buttons->button(QDialogButtonBox::Save);
        ASSERT_NE(save, nullptr);
        EXPECT_TRUE(save->isEnabled());
        QTest::mouseClick(save, Qt::LeftButton);
        if (dialog->isVisible()) dialog->reject();  // never leave the test waiting
    });
    std::string name;
    ASSERT_TRUE(docs.PromptFileName(name, false));
    EXPECT_EQ(shownName, "proposed");
    EXPECT_EQ(name, (d.dir / "typed.rle").string());
}

TEST(DocumentCommands, SaveAsNeedsLiveCellsAndPasteNeedsText) {
    test::TestContext t;
    CMyDocManager docs(t.ctx, nullptr);
    CommandRegistry registry;
    RegisterDocumentCommands(registry, t.ctx, docs);
    EXPECT_TRUE(registry.state(cmd::FileOpen).enabled);
    EXPECT_FALSE(registry.state(cmd::FileSaveAs).enabled);
    t.ctx.field.setCell(3, 3, 1);
    test::SetCountedPopulation(t.ctx, 1);  // as the frame counts it
    EXPECT_TRUE(registry.state(cmd::FileSaveAs).enabled);
    EXPECT_FALSE(registry.state(cmd::Paste).enabled);
    t.host.clipboard = "x";
    EXPECT_TRUE(registry.state(cmd::Paste).enabled);

    // The real clipboard through the program's Host: text enables, an image alone does not.
    QtHost host;
    QGuiApplication::clipboard()->setText("bo$2bo$3o!");
    EXPECT_EQ(host.clipboardText(), std::optional<std::string>("bo$2bo$3o!"));
    auto* image = new QMimeData;
    image->setImageData(QImage(2, 2, QImage::Format_RGB32));
    QGuiApplication::clipboard()->setMimeData(image);
    EXPECT_FALSE(host.clipboardText().has_value());
}

TEST(RecentFiles, FourNewestFirstInTheProfileAndTheMenu) {
    TempDir d;
    RecentFileList list;
    for (int i = 1; i <= 5; ++i) list.add((d.dir / ("p" + std::to_string(i) + ".rle")).string());
    list.add((d.dir / "p3.rle").string());
    ASSERT_EQ(list.files().size(), 4u);
    EXPECT_EQ(fs::path(list.files()[0]).filename(), "p3.rle");
    EXPECT_EQ(fs::path(list.files()[1]).filename(), "p5.rle");
    EXPECT_EQ(fs::path(list.files()[3]).filename(), "p2.rle");
    {
        QSettings profile(QString::fromStdString((d.dir / "Gridbloom.ini").string()),
                          QSettings::IniFormat);
        list.save(profile);
    }
    QSettings profile(QString::fromStdString((d.dir / "Gridbloom.ini").string()),
                      QSettings::IniFormat);
    RecentFileList again;
    again.load(profile);
    EXPECT_EQ(again.files(), list.files());
    EXPECT_EQ(RecentFileMenuText(2, "/a/b&c.rle", "/a"), QString::fromUtf8("&2 b&&c.rle"));
    EXPECT_EQ(RecentFileMenuText(1, "/a/b.rle", "/z"), QString::fromUtf8("&1 /a/b.rle"));

    // The menu: a greyed placeholder while the list is empty, then one item per file.
    test::TestContext t;
    CMainFrame frame(t.ctx);
    QSettings empty(QString::fromStdString((d.dir / "Empty.ini").string()), QSettings::IniFormat);
    frame.docManager().setProfile(&empty);
    frame.menus().updateAll();
    QAction* placeholder = frame.menus().action(cmd::RecentFile1);
    EXPECT_FALSE(placeholder->isEnabled());
    EXPECT_EQ(placeholder->text(), QString::fromUtf8("最近使ったファイル"));
    const std::string a = d.file("a.rle", "x = 1, y = 1\no!\n");
    const std::string b = d.file("b.rle", "x = 2, y = 1\n2o!\n");
    ASSERT_TRUE(frame.docManager().OpenDocumentFile(a));
    ASSERT_TRUE(frame.docManager().OpenDocumentFile(b));
    QMenu* file = frame.menus().menuWithTitle(QString::fromUtf8("ファイル(&F)"));
    ASSERT_NE(file, nullptr);
    frame.menus().update(file);
    QStringList shown;
    for (QAction* action : file->actions())
        if (action->isVisible() && !action->isSeparator()) shown << action->text();
    ASSERT_EQ(shown.size(), 6);
    EXPECT_TRUE(shown[3].startsWith("&1 ") && shown[3].endsWith("b.rle"));
    EXPECT_TRUE(shown[4].startsWith("&2 ") && shown[4].endsWith("a.rle"));
    EXPECT_TRUE(placeholder->isEnabled());
    // Choosing the second loads it again; a file that has gone leaves the list.
    for (QAction* action : file->actions())
        if (action->data().toInt() == cmd::RecentFile1 + 1) action->trigger();
    EXPECT_EQ(t.host.lastTitle(), "a.rle - Gridbloom");
    fs::remove(b);
    frame.menus().update(file);
    fs::remove(a);
    placeholder->trigger();  // now names a.rle, which is gone
    EXPECT_EQ(t.host.lastBox().caption, "ファイルが見つかりません。");
    EXPECT_EQ(frame.docManager().recentFiles().files().size(), 1u);
    QSettings reread(QString::fromStdString((d.dir / "Empty.ini").string()), QSettings::IniFormat);
    RecentFileList stored;
    stored.load(reread);
    EXPECT_EQ(stored.files().size(), 1u);
}

TEST(DroppedFiles, TheFirstLocalFileIsLoaded) {
    TempDir d;
    test::TestContext t;
    CLGView view(t.ctx);
    view.resize(400, 300);
    view.DrawFrame(false);  // drawing the view makes it take drops
    const std::string first = d.file("first.text", ".*.\n..*\n***\n");
    const std::string second = d.file("second.rle", "x = 1, y = 1\no!\n");
    QMimeData data;
    data.setUrls({QUrl("https://example.org/x.rle"),
                  QUrl::fromLocalFile(QString::fromStdString(first)),
                  QUrl::fromLocalFile(QString::fromStdString(second))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    StartRun(t.ctx);
    QCoreApplication::sendEvent(&view, &drop);
    EXPECT_FALSE(t.ctx.run.running);
    EXPECT_EQ(t.ctx.shell.documentPath, first);
    EXPECT_EQ(t.ctx.shell.currentQuickLaunchItem, -1);
    EXPECT_EQ(t.host.lastTitle(), "first.text - Gridbloom");
    EXPECT_EQ(t.ctx.field.population(), 5);

    QMimeData remote;
    remote.setUrls({QUrl("https://example.org/x.rle")});
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &remote, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QCoreApplication::sendEvent(&view, &refused);
    EXPECT_FALSE(refused.isAccepted());
}

}  // namespace
}  // namespace gb
