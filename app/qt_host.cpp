#include "app/qt_host.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cstdlib>

#include "app/install_layout.h"
#include "session/shell.h"
#include "view/lg_view.h"

namespace gb {

namespace {

QMessageBox::Icon ToQtIcon(Icon icon) {
    switch (icon) {
        case Icon::Information: return QMessageBox::Information;
        case Icon::Exclamation: return QMessageBox::Warning;
        case Icon::Question: return QMessageBox::Question;
        case Icon::Stop: return QMessageBox::Critical;
        case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ToQtButton(Button b) {
    switch (b) {
        case Button::Ok: return QMessageBox::Ok;
        case Button::Cancel: return QMessageBox::Cancel;
        case Button::Yes: return QMessageBox::Yes;
        case Button::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButtons ToQtButtons(Buttons b) {
    switch (b) {
        case Buttons::Ok: return QMessageBox::Ok;
        case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
        case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
        case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

Button FirstButton(Buttons b) {
    return (b == Buttons::YesNo || b == Buttons::YesNoCancel) ? Button::Yes : Button::Ok;
}

// A message box that shows each line of its text whole when the screen has room for it: Qt's
// own box wraps any text wider than about half the screen (500 pixels at most), which breaks the
// help's longer entries mid-phrase.
class WholeLinesBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);  // Qt sizes and places the box here
        auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        if (label == nullptr || label->isHidden() || screen() == nullptr) return;
        const QFontMetrics metrics(label->font());
        int widest = 0;
        for (const QString& line : label->text().split(QLatin1Char('\n')))
            widest = std::max(widest, metrics.horizontalAdvance(line));
        const int missing = widest - label->contentsRect().width();
        if (missing <= 0) return;
        const int frame = frameGeometry().width() - width();
        if (width() + missing + frame > screen()->availableGeometry().width()) return;
        label->setWordWrap(false);
        label->setMinimumWidth(label->width() + missing);
        layout()->activate();
        setFixedSize(layout()->totalMinimumSize().expandedTo(QSize(width() + missing, 0)));
        adjustPosition(parentWidget());
    }
};

}  // namespace

void FitLongText(QMessageBox& mb) {
    // A file's comments can run to thousands of lines; a box that tall would push its buttons off
    // the screen. Such a text goes into a scrolling area of a few dozen lines instead.
    constexpr int kMaxShownLines = 30;
    const QString text = mb.text();
    if (text.count(QLatin1Char('\n')) < kMaxShownLines) return;
    auto* grid = qobject_cast<QGridLayout*>(mb.layout());
    auto* label = mb.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (grid == nullptr || label == nullptr) return;
    int row = 0, column = 0, rows = 1, columns = 1;
    grid->getItemPosition(grid->indexOf(label), &row, &column, &rows, &columns);
    auto* view = new QPlainTextEdit(text, &mb);
    view->setObjectName(QStringLiteral("longText"));
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    const QFontMetrics metrics(view->font());
    view->setMinimumSize(metrics.horizontalAdvance(QLatin1Char('M')) * 60,
                         metrics.lineSpacing() * kMaxShownLines);
    label->hide();
    grid->addWidget(view, row, column, rows, columns);
}

void QtHost::setView(CLGView* view) { view_ = view; }

Button QtHost::showMessage(const MessageBox& box) {
    QWidget* parent = QApplication::activeWindow();
    if (parent == nullptr) parent = mainWindow_.data();
    WholeLinesBox mb(ToQtIcon(box.icon), QString::fromStdString(box.caption),
                     QString::fromStdString(DisplayLines(box.text)), ToQtButtons(box.buttons),
                     parent);
    mb.setDefaultButton(ToQtButton(box.defaultButton.value_or(FirstButton(box.buttons))));
    FitLongText(mb);
    switch (mb.exec()) {
        case QMessageBox::Cancel: return Button::Cancel;
        case QMessageBox::Yes: return Button::Yes;
        case QMessageBox::No: return Button::No;
        case QMessageBox::Ok: return Button::Ok;
        default: break;
    }
    // Closed with Esc or the close box: the escape button's answer.
    return box.buttons == Buttons::YesNo ? Button::No
           : box.buttons == Buttons::Ok  ? Button::Ok
                                         : Button::Cancel;
}

void QtHost::setWindowTitle(const std::string& title) {
    if (mainWindow_) mainWindow_->setWindowTitle(QString::fromStdString(title));
}

void QtHost::setPointer(Pointer shape) {
    if (!view_) return;
    Qt::CursorShape qt = Qt::ArrowCursor;
    switch (shape) {
        case Pointer::Wait: qt = Qt::WaitCursor; break;
        case Pointer::SizeAll: qt = Qt::SizeAllCursor; break;
        case Pointer::Cross: qt = Qt::CrossCursor; break;
        case Pointer::Arrow: break;
    }
    view_->setCursor(qt);
}

bool QtHost::shiftHeld() const {
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

int QtHost::setTimer(int id, int intervalMs) {
    return view_ ? view_->setViewTimer(id, intervalMs) : 0;
}

void QtHost::killTimer(int id) {
    if (view_) view_->killViewTimer(id);
}

void QtHost::invalidateView() {
    if (view_) view_->update();
}

void QtHost::repaintView() {
    if (view_) view_->repaint();
}

std::optional<std::string> QtHost::clipboardText() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasText()) return std::nullopt;
    return data->text().toStdString();
}

std::optional<std::pair<int, int>> QtHost::activeClientSize() const {
    QWidget* window = QApplication::activeWindow();
    if (window == nullptr) window = mainWindow_.data();
    if (window == nullptr) return std::nullopt;
    // The main window's client area is the view; a dialog's is its own rectangle.
    QWidget* client =
        window == mainWindow_.data() && view_ ? static_cast<QWidget*>(view_.data()) : window;
    return std::make_pair(client->width(), client->height());
}

QString ProgramWorkingPath(const QString& programFile) {
    const QFileInfo program(programFile);
    const QString installed = InstalledDataDirectory(programFile);
    if (!installed.isEmpty()) return QDir(installed).filePath(program.fileName());
    return program.absoluteFilePath();
}

std::string QtHost::programPath() const {
    return ProgramWorkingPath(QCoreApplication::applicationFilePath()).toStdString();
}

void QtHost::exitProcess(int status) { std::exit(status); }

}  // namespace gb
