#pragma once

#include "protocol/line_assembler.h"
#include "protocol/status.h"

namespace tavrin::link {

// What the recorder last reported, as the receive tick follows it.
struct RecorderStatus {
    protocol::RecorderState state = protocol::RecorderState::Standby;
    protocol::DisplayMode displayMode = protocol::DisplayMode::None;
    bool standbyPending = false;  // Standby was pressed; its ACK puts the recorder in standby
    bool afterRecord = false;     // "RE" came: the next stop report keeps the track number
};

// When the two automatic requests go out: countdowns in receive ticks of 20 ms.
struct PollSchedule {
    // "@0?TMOD" and "@0?TI" repeat every 16 ticks (320 ms) while their conditions hold...
    static constexpr int kDisplayModeInterval = 15;
    static constexpr int kTimeInterval = 15;
    // ...and the time only every 51 ticks (about a second) while the recorder reports "TS".
    static constexpr int kTimeIntervalTS = 50;
    // After an open the first time request waits 800 ms, until the replies to the status and
    // display-mode requests have come and the time is known to be shown.
    static constexpr int kFirstTimeRequest = 40;
    // After "TS" the first time request waits 1.5 s.
    static constexpr int kFirstTimeRequestTS = 75;
    // A track jump holds the time request back for a second, while the recorder seeks.
    static constexpr int kTrackJumpPause = 50;
    // While the link is down, a status request every 2 s finds out when the recorder is back.
    static constexpr int kDownStatusInterval = 100;

    int displayModeCountdown = 0;
    int timeCountdown = 0;
    int downStatusCountdown = 0;

    void armAfterOpen() {
        displayModeCountdown = kDisplayModeInterval;
        timeCountdown = kFirstTimeRequest;
    }
};

// The port's way to an open: a network connection still being made, and the quiet reopening
// of a port that was lost.
struct PortFollowing {
    // A lost port is opened again about once a second (in receive ticks of 20 ms).
    static constexpr int kReopenInterval = 50;

    bool opening = false;  // open() returned with the port still Opening
    bool away = false;     // the port was lost and has not opened again yet
    int reopenCountdown = 0;
};

// The link's run-time state; the receive ticks nested inside one another share it.
struct LinkState {
    int portNumber = 2;  // COM<n> as last chosen
    PortFollowing port;
    // Up from an open on, and again once a reply, ACK or NAK comes; down after a failed write.
    bool linkUp = false;
    RecorderStatus recorder;
    PollSchedule polls;
    protocol::LineAssembler lines;
};

}  // namespace tavrin::link
