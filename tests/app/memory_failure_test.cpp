#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <gtest/gtest.h>

#include <csignal>
#include <new>
#include <stdexcept>

#include "app/commands.h"
#include "app/guarded_application.h"
#include "app/main_frame.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

// A command that runs out of memory ends the program through its memory failure: the box, the
// blocks released, status 1.
TEST(MemoryFailure, ACommandThatRunsOutOfMemoryEndsTheProgramWithStatusOne) {
    for (const bool lengthError : {false, true}) {
        test::TestContext t;
        CMainFrame frame(t.ctx);
        constexpr int kGreedy = 40001;
        frame.commands().add(kGreedy, [lengthError] {
            if (lengthError) throw std::length_error("too long");
            throw std::bad_alloc();
        });
        t.host.boxes.clear();
        int status = -1;
        try {
            frame.commands().run(kGreedy);
        } catch (const test::ProcessExit& exit) {
            status = exit.status;
        }
        EXPECT_EQ(status, 1);
        ASSERT_EQ(t.host.boxes.size(), 1u);
        EXPECT_TRUE(test::Shows(t.host.lastBox(),
                                {"Gridbloom", "メモリ領域が確保できないため終了します。"}));
        EXPECT_EQ(t.ctx.field.cellsAllocated, 0);
        EXPECT_EQ(t.ctx.field.loadAreaAllocated, 0);
    }
}

// Any other exception is none of the memory failure's business.
TEST(MemoryFailure, OtherExceptionsAreNotTakenForLackOfMemory) {
    CommandRegistry registry;
    int failures = 0;
    registry.setMemoryFailure([&failures] { ++failures; });
    registry.add(1, [] { throw std::runtime_error("other"); });
    EXPECT_THROW(registry.run(1), std::runtime_error);
    EXPECT_EQ(failures, 0);
}

struct GreedyObject : QObject {
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw std::bad_alloc();
        return QObject::event(e);
    }
};

// An event whose handling runs out of memory never unwinds through the event loop.
TEST(MemoryFailure, AnEventThatRunsOutOfMemoryGoesToTheMemoryFailure) {
    auto* app = dynamic_cast<GuardedApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    int failures = 0;
    app->setMemoryFailure([&failures] { ++failures; });
    GreedyObject object;
    QEvent event(QEvent::User);
    bool delivered = true;
    EXPECT_NO_THROW(delivered = QCoreApplication::sendEvent(&object, &event));
    EXPECT_FALSE(delivered);
    EXPECT_EQ(failures, 1);
    app->setMemoryFailure({});
}

// The program's application object ignores SIGXFSZ, so a save over the file-size limit fails
// with EFBIG (and the save says so) instead of the signal ending the program.
TEST(FileSizeLimit, TheApplicationIgnoresTheSignal) {
    ASSERT_NE(dynamic_cast<GuardedApplication*>(QCoreApplication::instance()), nullptr);
    struct sigaction current {};
    ASSERT_EQ(::sigaction(SIGXFSZ, nullptr, &current), 0);
    EXPECT_EQ(current.sa_handler, SIG_IGN);
}

}  // namespace
}  // namespace gb
