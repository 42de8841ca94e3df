// The application object of the toolkit, with one addition: no exception leaves an event. An
// event whose handling runs out of memory ends in the program's memory failure.
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
