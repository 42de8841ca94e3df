// Test main for the Qt layers: one application object (offscreen unless told otherwise), the
// program's own kind, for all tests.
#include <QApplication>
#include <gtest/gtest.h>

#include "app/guarded_application.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    gb::GuardedApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
