// The view: the client area of the main window. It paints the frame image and owns the two view
// timers (RUN_TIMER and ZOOM_LABEL_TIMER).
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

namespace gb {

struct Context;

class CLGView : public QWidget {
    Q_OBJECT
public:
    explicit CLGView(Context& ctx, QWidget* parent = nullptr);

    // Timer service for the Host: returns id on success, 0 on failure.
    int setViewTimer(int id, int intervalMs);
    void killViewTimer(int id);
    bool timerActive(int id) const;

    Context& context() { return ctx_; }

signals:
    void timerFired(int id);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer* timerFor(int id);

    Context& ctx_;
    QTimer runTimer_;
    QTimer zoomLabelTimer_;
};

}  // namespace gb
