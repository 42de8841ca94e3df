// The application object of the toolkit, with two additions: no exception leaves an event (an
// event whose handling runs out of memory ends in the program's memory failure), and a file-size
// limit makes a write fail instead of ending the program (SIGXFSZ is ignored).
#pragma once

#include <QApplication>
#include <functional>

namespace gb {

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);

    // What happens when an event runs out of memory. Until one is set: a line on standard error
    // and the end of the process with status 1.
    void setMemoryFailure(std::function<void()> onNoMemory) { onNoMemory_ = std::move(onNoMemory); }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void noMemory();

    std::function<void()> onNoMemory_;
};

}  // namespace gb
