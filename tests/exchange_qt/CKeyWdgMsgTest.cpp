// The wedge's notice window: a top-most tool window that shows the two notices, hides when their
// time is over and leaves the focus where it was. It runs on an X server of its own (Xvfb) with
// a window manager (openbox), which decides about the focus as on a desktop; where those are not
// installed, on the offscreen platform, which gives every window shown the focus, so the focus
// check is skipped there.

#include "exchange/CKeyWdgMsg.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {
bool desktop = false; // an X server with a window manager, rather than offscreen
}

// One QApplication, ended before the program's exit handlers run.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testsupport::XServer desktopServer;
    desktop = desktopServer.start(true);
    setenv("QT_QPA_PLATFORM", desktop ? "xcb" : "offscreen", 1);
    int result = 0;
    {
        QApplication application(argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}

namespace {

class NoFocus final : public platform::Focus {
public:
    WindowId foreground() override { return 0; }
    bool bringToFront(WindowId) override { return false; }
};

class NoticeWindow : public ::testing::Test {
protected:
    NoticeWindow() {
        window.setNotice(&notice);
        notice.setOver([this](bool sendFollows) { overs.push_back(sendFollows); });
    }
    platform::ManualClock clock;
    NoFocus focus;
    exchange::CKeyWdgMsg window;
    exchange::WedgeNotice notice{clock, focus, window};
    std::vector<bool> overs;
};

TEST_F(NoticeWindow, IsATopMostToolWindowShownWithoutTakingTheFocus) {
    EXPECT_EQ(window.windowTitle(), "Keyboard Wedge - Corvane");
    for (Qt::WindowType flag : {Qt::Tool, Qt::WindowStaysOnTopHint, Qt::WindowDoesNotAcceptFocus})
        EXPECT_TRUE(window.windowFlags().testFlag(flag)) << flag;
    EXPECT_TRUE(window.testAttribute(Qt::WA_ShowWithoutActivating));

    if (!desktop) GTEST_SKIP() << "Xvfb and openbox are needed to see who gets the focus";
    QWidget target;
    target.show();
    target.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&target));
    notice.prepare();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // The window manager gives the focus, if at all, as it maps the window: past by now.
    QTest::qWait(100);
    EXPECT_EQ(QApplication::focusWindow(), target.windowHandle());
    EXPECT_FALSE(window.isActiveWindow());
}

TEST_F(NoticeWindow, ShowsEachNoticeUntilItsTimeIsOver) {
    notice.prepare();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.text(), "Preparing to send data.");
    clock.advance(125);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }));
    EXPECT_EQ(overs, std::vector<bool>{true});

    notice.showMasked(40);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.text(), "GPS Data Masked. Please wait for new data.");
    clock.advance(40);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }));
    EXPECT_EQ(overs, (std::vector<bool>{true, false}));
}

} // namespace
