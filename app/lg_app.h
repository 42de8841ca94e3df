// The application object: owns the process-wide state and carries out the start-up.
#pragma once

#include <QSettings>
#include <memory>
#include <string>

#include "app/profile.h"
#include "app/qt_host.h"
#include "session/context.h"

namespace gb {

class CMainFrame;

class CLGApp {
public:
    // The program passes nothing. Tests may pass a host of their own (one that answers message
    // boxes from a script, say) and a profile file of their own.
    explicit CLGApp(QtHost* host = nullptr, const QString& profilePath = ProfilePath());
    ~CLGApp();

    // Builds the state and the main window, shows it and loads the file named on the command line
    // (empty: none) through the document. False when that file cannot be opened: the program
    // then ends.
    bool Start(const std::string& commandLineFile = {});

    Context& context() { return ctx_; }
    CMainFrame* mainFrame() const { return frame_.get(); }
    QSettings* profile() const { return profile_.get(); }

private:
    void CreateView();

    std::unique_ptr<QtHost> ownHost_;
    QtHost& host_;
    Context ctx_{host_};
    QString profilePath_;
    std::unique_ptr<QSettings> profile_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace gb
