// The link follows its port: an open that settles in a later tick, and a port that is lost,
// reopened quietly about once a second until it is back, while the port selector keeps the
// last word. On a stand-in port, tick by tick.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/link.h"
#include "link/log_lines.h"
#include "support/fakes.h"

namespace tavrin::link {
namespace {

using platform::OpenError;
using test::FakeDisplays;
using test::FakeLog;
using test::FakePort;
using test::FixedClock;
using Lines = std::vector<std::string>;

const std::string kStatusRequestLine = commandLogLine("->@0?ST (Status Request)", {9, 5, 30});
const platform::OpenResult kNothingThere{OpenError::NoSuchPort, 2, "No such file or directory"};

class PortFollowingTest : public ::testing::Test {
protected:
    PortFollowingTest() { link.attach(log, displays); }

    void ticks(int n) {
        for (int i = 0; i < n; ++i) link.RxTimerTimer();
    }
    // Open, the recorder answered, then the port goes away and stays away.
    void loseAnOpenPort() {
        link.changePort(2);
        port.receive("@0STST\r");
        ticks(1);
        port.takeWrites();
        log.clear();
        port.lost = true;
        port.openReturns = kNothingThere;
    }

    FakePort port;
    FakeLog log;
    FakeDisplays displays;
    FixedClock clock;
    Link link{port, clock};
};

TEST_F(PortFollowingTest, OpenStillUnderWaySendsNothingUntilItIsUpThenStartsUp) {
    port.opensOpening = true;
    link.changePort(2);
    ticks(100);
    EXPECT_EQ(port.takeWrites(), Lines{});
    EXPECT_EQ(log.lines, Lines{});
    EXPECT_FALSE(link.state().linkUp);

    port.opening = false;
    ticks(1);
    EXPECT_EQ(port.takeWrites(), Lines{"@0?ST\r"});
    EXPECT_EQ(log.lines, Lines{kStatusRequestLine});
    EXPECT_TRUE(link.state().linkUp);
    port.receive("@0STST\r");
    ticks(PollSchedule::kDisplayModeInterval);
    EXPECT_EQ(port.takeWrites(), Lines{"@0?TMOD\r"});  // the polls are armed
}

TEST_F(PortFollowingTest, OpenThatFailsWhileUnderWayLogsItsOpenError) {
    port.opensOpening = true;
    link.changePort(2);
    ticks(3);
    port.isOpen = false;  // the connection was refused
    port.openReturns = {OpenError::Busy, 0, "Port already in use"};
    ticks(200);
    EXPECT_EQ(log.lines, Lines{"com port busy"});
    EXPECT_EQ(port.opens, 1);  // a port that never opened is not opened again
}

TEST_F(PortFollowingTest, LostPortIsReopenedQuietlyOnceASecondAndComesBackAsAtStartUp) {
    loseAnOpenPort();
    ticks(1);
    EXPECT_EQ(log.lines, Lines{"connection lost"});
    EXPECT_FALSE(link.state().linkUp);
    EXPECT_EQ(port.closes, 2);  // by the port change, and now by the loss

    const int opensBefore = port.opens;
    ticks(10 * PortFollowing::kReopenInterval);
    EXPECT_EQ(port.opens - opensBefore, 10);
    EXPECT_EQ(log.lines, Lines{"connection lost"});
    EXPECT_EQ(port.takeWrites(), Lines{});

    port.openReturns = {};
    ticks(PortFollowing::kReopenInterval);
    EXPECT_EQ(log.lines, (Lines{kStatusRequestLine, "connection restored", "connection lost"}));
    EXPECT_EQ(port.takeWrites(), Lines{"@0?ST\r"});
    EXPECT_TRUE(link.state().linkUp);
    ticks(10 * PortFollowing::kReopenInterval);
    EXPECT_EQ(port.opens - opensBefore, 11);
}

TEST_F(PortFollowingTest, PortChosenInTheSelectorEndsTheReopeningOfTheLostOne) {
    loseAnOpenPort();
    ticks(1);
    link.changePort(3);
    const int opens = port.opens;
    ticks(10 * PortFollowing::kReopenInterval);
    EXPECT_EQ(port.opens, opens);
    EXPECT_EQ(port.openedName, platform::comPortName(3));
    EXPECT_EQ(log.lines.size(), 3u);  // "connection lost", then COM3's open error and its hint
}

TEST_F(PortFollowingTest, KeyPressedWhileThePortIsAwayFailsIntoConnectionError) {
    loseAnOpenPort();
    ticks(1);
    link.sendKey(protocol::Key::Play);
    const std::string play = commandLogLine("->@02353 (Play)", {9, 5, 30});
    EXPECT_EQ(log.lines, (Lines{play, "connection error", "connection lost"}));
}

}  // namespace
}  // namespace tavrin::link
