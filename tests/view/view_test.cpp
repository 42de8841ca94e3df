#include "view/lg_view.h"

#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "session/scroll.h"
#include "session/zoom.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

struct ViewFixture {
    test::TestContext t;
    CLGView view{t.ctx};
    ViewFixture() { view.resize(800, 600); }
    void wheel(int delta) {
        QWheelEvent e(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&view, &e);
    }
};

TEST(View, EnterOnAnEmptyFieldRunsOneGenerationAndShowsTheNotice) {
    ViewFixture f;
    QTest::keyClick(&f.view, Qt::Key_Return);
    EXPECT_TRUE(f.t.ctx.run.running);
    emit f.view.timerFired(RUN_TIMER);
    EXPECT_EQ(f.t.ctx.field.generation, 1);
    EXPECT_FALSE(f.t.ctx.run.running);
    // The notice starts at the centre of the frame the tick drew.
    const QImage& frame = f.view.lastFrame();
    ASSERT_EQ(frame.size(), QSize(800, 600));
    bool text = false;
    for (int y = 300; y < 316; ++y)
        for (int x = 400; x < 432; ++x) text = text || frame.pixel(x, y) != 0xFFFFFFFF;
    EXPECT_TRUE(text);
    emit f.view.timerFired(RUN_TIMER);  // stopped: a late tick does nothing
    EXPECT_EQ(f.t.ctx.field.generation, 1);
}

TEST(View, SpaceStepsOnlyAFieldWithLiveCells) {
    ViewFixture f;
    QTest::keyClick(&f.view, Qt::Key_Space);
    EXPECT_EQ(f.t.ctx.field.generation, 0);
    for (int x = 600; x < 603; ++x) f.t.ctx.field.setCell(x, 600, 1);
    f.view.DrawFrame(false);
    QTest::keyClick(&f.view, Qt::Key_Space);
    QTest::keyClick(&f.view, Qt::Key_Space);
    EXPECT_EQ(f.t.ctx.field.generation, 2);
    QTest::keyClick(&f.view, Qt::Key_Enter);
    QTest::keyClick(&f.view, Qt::Key_Space);
    EXPECT_FALSE(f.t.ctx.run.running);
    EXPECT_EQ(f.t.ctx.field.generation, 2);
}

TEST(View, KeysAndWheelZoomAndScroll) {
    ViewFixture f;
    for (int i = 0; i < 14; ++i) QTest::keyClick(&f.view, Qt::Key_F2);
    EXPECT_EQ(f.t.ctx.view.zoom, 20);
    QTest::keyClick(&f.view, Qt::Key_F2);
    EXPECT_EQ(f.t.ctx.view.zoomStep, 24);
    QTest::keyClick(&f.view, Qt::Key_F1);
    EXPECT_EQ(f.t.ctx.view.zoom, 19);
    f.wheel(60);
    EXPECT_EQ(f.t.ctx.view.zoomStep, 23);
    f.wheel(60);
    EXPECT_EQ(f.t.ctx.view.zoomStep, 24);
    f.wheel(-120);
    EXPECT_EQ(f.t.ctx.view.zoomStep, 23);

    SetZoomStep(f.t.ctx, 10);
    f.t.ctx.view.offsetX = -533.5f;  // 7.5 cells of room to the left
    QTest::keyClick(&f.view, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(f.t.ctx.view.offsetX, -540.5f);
    QTest::keyClick(&f.view, Qt::Key_Right);
    EXPECT_EQ(f.t.ctx.view.offsetX, -539.5f);
    QTest::keyClick(&f.view, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&f.view, Qt::Key_Up);
    EXPECT_EQ(f.t.ctx.view.offsetY, 9);
}

TEST(View, ShiftRefreshesThePointerInEditMode) {
    ViewFixture f;
    f.t.ctx.view.editMode = true;
    f.t.host.shift = true;
    QTest::keyPress(&f.view, Qt::Key_Shift);
    ASSERT_FALSE(f.t.host.pointers.empty());
    EXPECT_EQ(f.t.host.pointers.back(), Pointer::SizeAll);
    f.t.host.shift = false;
    QTest::keyRelease(&f.view, Qt::Key_Shift);
    EXPECT_EQ(f.t.host.pointers.back(), Pointer::Cross);
}

TEST(View, ZoomLabelTimerHidesTheLabelAndRedraws) {
    ViewFixture f;
    f.view.DrawFrame(false);
    EXPECT_EQ(f.t.host.activeTimers.at(ZOOM_LABEL_TIMER), 2000);
    emit f.view.timerFired(ZOOM_LABEL_TIMER);
    EXPECT_FALSE(f.t.ctx.view.zoomLabelShown);
    EXPECT_EQ(f.t.host.activeTimers.count(ZOOM_LABEL_TIMER), 0u);
    bool label = false;
    for (int y = 30; y < 46; ++y)
        for (int x = 10; x < 40; ++x) label = label || f.view.lastFrame().pixel(x, y) != 0xFFFFFFFF;
    EXPECT_FALSE(label);
}

}  // namespace
}  // namespace gb
