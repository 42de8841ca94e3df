#include "view/help.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "session/context.h"
#include "session/run.h"

namespace gb {

// Lines end with line feed then carriage return; the mouse entries are indented with two
// ideographic spaces.
const char* const kKeyboardHelpText =
    " \n\r[Enter] …… 実行開始\n\r\n\r[スペース] …… 実行時は停止・停止時は1世代進む\n\r\n\r"
    "[F1][F2] …… 縮小／拡大\n\r\n\r[←][→][↑][↓] …… スクロール\n\r\n\r"
    "[Shift] + [←][→][↑][↓] …… 高速スクロール\n\r\n\r[Delete] …… クリア\n\r\n\r"
    "[Ctrl] + [V] …… 貼り付け\n\r\n\r";

const char* const kMouseHelpText =
    " \n\r通常時\n\r\n\r　　左ドラッグ …… 画面をスクロール\n\r\n\r"
    "　　左ダブルクリック …… ダブルクリックした位置が中心に来るよう画面をスクロール\n\r\n\r\n\r"
    "編集モード時\n\r\n\r　　左クリック・左ドラッグ …… 生物を追加\n\r\n\r"
    "　　右クリック・右ドラッグ …… 生物を削除\n\r\n\r"
    "　　[Shift]を押しながら左ドラッグ …… 画面をスクロール\n\r\n\r"
    "　　[Shift]を押しながら左ダブルクリック …… "
    "ダブルクリックした位置が中心に来るよう画面をスクロール\n\r\n\r\n\r"
    "共通\n\r\n\r　　ホイール回転 …… 縮小／拡大\n\r\n\r";

namespace {

void ShowHelpBox(Context& ctx, const char* caption, const char* text) {
    PauseRun(ctx);
    ViewMessageBox(ctx, caption, text, Icon::Information);
    ResumeRun(ctx);
}

}  // namespace

void ShowKeyboardHelp(Context& ctx) { ShowHelpBox(ctx, "キーボード操作", kKeyboardHelpText); }

void ShowMouseHelp(Context& ctx) { ShowHelpBox(ctx, "マウス操作", kMouseHelpText); }

void OpenHelpFile(Context& ctx, const std::function<bool(const std::string&)>& opener,
                  const std::function<bool()>& documentOpener) {
    if (opener(kHelpFileName)) return;
    if (documentOpener && documentOpener()) return;
    ctx.shell.messageCaption = "ヘルプを表示できません";
    AppMessageBox(ctx, "ヘルプファイル\"説明.chm\"を起動できません。", Icon::None);
}

bool OpenWithDesktop(const std::string& fileName) {
    const QFileInfo file(QDir::current().filePath(QString::fromStdString(fileName)));
    if (!file.isFile()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath()));
}

}  // namespace gb
