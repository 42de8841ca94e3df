#include "view/lg_view.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "session/context.h"
#include "session/document.h"
#include "session/edit.h"
#include "session/frame.h"
#include "session/run.h"
#include "session/run_control.h"
#include "session/scroll.h"
#include "view/frame_image.h"

namespace gb {

CLGView::CLGView(Context& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // the frame covers every pixel: no erase
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAcceptDrops(true);
    runTimer_.setTimerType(Qt::PreciseTimer);
    zoomLabelTimer_.setTimerType(Qt::PreciseTimer);
    connect(&runTimer_, &QTimer::timeout, this, [this] { emit timerFired(RUN_TIMER); });
    connect(&zoomLabelTimer_, &QTimer::timeout, this,
            [this] { emit timerFired(ZOOM_LABEL_TIMER); });
    connect(this, &CLGView::timerFired, this, &CLGView::onTimer);
}

QTimer* CLGView::timerFor(int id) {
    if (id == RUN_TIMER) return &runTimer_;
    if (id == ZOOM_LABEL_TIMER) return &zoomLabelTimer_;
    return nullptr;
}

int CLGView::setViewTimer(int id, int intervalMs) {
    QTimer* t = timerFor(id);
    if (t == nullptr || intervalMs < 0) return 0;
    t->start(intervalMs);
    return id;
}

void CLGView::killViewTimer(int id) {
    if (QTimer* t = timerFor(id)) t->stop();
}

bool CLGView::timerActive(int id) const {
    if (id == RUN_TIMER) return runTimer_.isActive();
    if (id == ZOOM_LABEL_TIMER) return zoomLabelTimer_.isActive();
    return false;
}

void CLGView::onTimer(int id) {
    const FrameFn draw = [this](bool advance) { DrawFrame(advance); };
    if (id == RUN_TIMER)
        RunTick(ctx_, draw);
    else if (id == ZOOM_LABEL_TIMER)
        ZoomLabelTick(ctx_, draw);
}

void CLGView::DrawFrame(bool advance) {
    setAcceptDrops(true);
    frame_ = ComposeFrame(ctx_, size(), advance, devicePixelRatioF());
    // The paint that follows shows this image instead of composing another one.
    frameFresh_ = true;
    repaint();
    frameFresh_ = false;
    StartPendingZoomLabelTimer(ctx_);
}

void CLGView::paintEvent(QPaintEvent*) {
    const bool composed = !frameFresh_ || frame_.deviceIndependentSize().toSize() != size() ||
                          frame_.devicePixelRatio() != devicePixelRatioF();
    if (composed) {
        setAcceptDrops(true);
        frame_ = ComposeFrame(ctx_, size(), false, devicePixelRatioF());
    }
    {
        QPainter painter(this);
        painter.drawImage(0, 0, frame_);
    }
    if (composed) StartPendingZoomLabelTimer(ctx_);
}

void CLGView::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: EnterKey(ctx_); break;
        case Qt::Key_Space: SpaceKey(ctx_, [this](bool advance) { DrawFrame(advance); }); break;
        case Qt::Key_F1: ZoomOut(ctx_); break;
        case Qt::Key_F2: ZoomIn(ctx_); break;
        case Qt::Key_Left: ScrollView(ctx_, ScrollDirection::Left, width(), height(), shift); break;
        case Qt::Key_Right:
            ScrollView(ctx_, ScrollDirection::Right, width(), height(), shift);
            break;
        case Qt::Key_Up: ScrollView(ctx_, ScrollDirection::Up, width(), height(), shift); break;
        case Qt::Key_Down: ScrollView(ctx_, ScrollDirection::Down, width(), height(), shift); break;
        case Qt::Key_Shift: RefreshCursor(ctx_); break;
        default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void CLGView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Shift && !event->isAutoRepeat()) {
        RefreshCursor(ctx_);
        event->accept();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void CLGView::wheelEvent(QWheelEvent* event) {
    WheelZoom(ctx_, event->angleDelta().y());
    event->accept();
}

// Qt grabs the mouse for the view from a press until the last button is released, so moves and
// releases outside the window still arrive here.
void CLGView::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (event->button() == Qt::LeftButton)
        LeftPress(ctx_, at.x(), at.y());
    else if (event->button() == Qt::RightButton)
        RightPress(ctx_, at.x(), at.y());
    else
        return QWidget::mousePressEvent(event);
    event->accept();
}

void CLGView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    PointerMove(ctx_, at.x(), at.y());
    // Every move over the view asks for the pointer shape, as the window system does elsewhere;
    // this is what shows the new shape after edit mode was switched from the menu.
    RefreshCursor(ctx_);
    event->accept();
}

void CLGView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        LeftRelease(ctx_);
    else if (event->button() == Qt::RightButton)
        RightRelease(ctx_);
    else
        return QWidget::mouseReleaseEvent(event);
    event->accept();
}

// The second press of a double click arrives here instead of as a press (the first one was an
// ordinary press). A right double click does nothing.
void CLGView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPointF at = event->position();
        LeftDoubleClick(ctx_, at.x(), at.y());
    }
    event->accept();
}

void CLGView::enterEvent(QEnterEvent* event) {
    RefreshCursor(ctx_);
    QWidget::enterEvent(event);
}

}  // namespace gb

namespace gb {

namespace {

// The first local file of a drop, or an empty text.
QString FirstDroppedFile(const QMimeData* data) {
    if (data == nullptr) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return {};
}

}  // namespace

void CLGView::dragEnterEvent(QDragEnterEvent* event) {
    if (!FirstDroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CLGView::dropEvent(QDropEvent* event) {
    const QString path = FirstDroppedFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    window()->raise();
    window()->activateWindow();
    DropPatternFile(ctx_, path.toStdString());
}

}  // namespace gb
