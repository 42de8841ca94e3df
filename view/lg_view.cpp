#include "view/lg_view.h"

#include <QPainter>

#include "core/context.h"

namespace gb {


CLGView::CLGView(Context& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // the frame covers every pixel: no erase
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    runTimer_.setTimerType(Qt::PreciseTimer);
    zoomLabelTimer_.setTimerType(Qt::PreciseTimer);
    connect(&runTimer_, &QTimer::timeout, this, [this] { emit timerFired(1); });
    connect(&zoomLabelTimer_, &QTimer::timeout, this, [this] { emit timerFired(2); });
}

QTimer* CLGView::timerFor(int id) {
    if (id == 1) return &runTimer_;
    if (id == 2) return &zoomLabelTimer_;
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
    if (id == 1) return runTimer_.isActive();
    if (id == 2) return zoomLabelTimer_.isActive();
    return false;
}

void CLGView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const std::uint32_t back = ctx_.display.backColor;
    painter.fillRect(rect(), QColor(static_cast<int>(back & 0xFF),
                                    static_cast<int>((back >> 8) & 0xFF),
                                    static_cast<int>((back >> 16) & 0xFF)));
}

}  // namespace gb
