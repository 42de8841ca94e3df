// The main window: menu bar and the view as its client area. No toolbar, no status bar.
#pragma once

#include <QMainWindow>

namespace gb {

struct Context;
class CLGView;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(Context& ctx, QWidget* parent = nullptr);
    CLGView* view() const { return view_; }

private:
    Context& ctx_;
    CLGView* view_;
};

}  // namespace gb
