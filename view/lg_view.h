// The view: the client area of the main window. It paints the frame image, owns the two view
// timers (RUN_TIMER and ZOOM_LABEL_TIMER) and turns keys and the wheel into run, zoom and scroll
// operations, and mouse presses, moves and double clicks into editing and dragging.
#pragma once

#include <QImage>
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

    // The frame routine: composes the client area (advancing first when asked) and puts it on
    // the window at once.
    void DrawFrame(bool advance);
    // The image of the most recent frame.
    const QImage& lastFrame() const { return frame_; }

signals:
    void timerFired(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QTimer* timerFor(int id);
    void onTimer(int id);

    Context& ctx_;
    QTimer runTimer_;
    QTimer zoomLabelTimer_;
    QImage frame_;
    bool frameFresh_ = false;  // frame_ was composed for the paint under way
};

}  // namespace gb
