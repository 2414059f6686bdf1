#include "link/link.h"

#include <string>

#include "link/log_lines.h"
#include "protocol/frames.h"

namespace tavrin::link {

namespace {

using protocol::commandFrame;

std::string openErrorLine(const platform::OpenResult& result) {
    using platform::OpenError;
    switch (result.error) {
    case OpenError::None: return {};
    case OpenError::NoSuchPort: return "com port number error";
    case OpenError::Busy: return "com port busy";
    case OpenError::PermissionDenied:
    case OpenError::Other: break;
    }
    return "com port" + std::to_string(result.systemCode) + " error";
}

// Stand in for the main window until it is there.
class NoLog final : public MessageLog {
public:
    void insertLine(std::string_view) override {}
    void clear() override {}
};

class NoDisplays final : public MainDisplays {
public:
    void setTrackText(std::string_view) override {}
    void setTimeText(std::string_view) override {}
    void setDispModeText(std::string_view) override {}
    void DisableKeyControls() override {}
    void EnableKeyControls() override {}
};

NoLog gNoLog;
NoDisplays gNoDisplays;

}  // namespace

Link::Link(platform::Port& port, const platform::Clock& clock)
    : port_(port), clock_(clock), log_(&gNoLog), displays_(&gNoDisplays) {}

void Link::attach(MessageLog& log, MainDisplays& displays) {
    log_ = &log;
    displays_ = &displays;
}

void Link::detach() {
    log_ = &gNoLog;
    displays_ = &gNoDisplays;
}

void Link::changePort(int portNumber) {
    state_.portNumber = portNumber;
    state_.port = {};  // the port chosen now is the one to follow, not one lost before
    port_.purge();
    port_.close();
    openPort();
}

void Link::openPort() {
    const platform::OpenResult result = port_.open(platform::comPortName(state_.portNumber));
    if (result.ok() && port_.state() == platform::PortState::Opening) {
        // Nothing goes out, not even a poll, before the connection is up.
        state_.port.opening = true;
        state_.linkUp = false;
        return;
    }
    opened(result);
}

// An open that has settled, at once or in a later tick. While a lost port is being reopened,
// a failed attempt is quiet and the next one follows in about a second.
void Link::opened(const platform::OpenResult& result) {
    PortFollowing& following = state_.port;
    following.opening = false;
    if (!result.ok()) {
        if (following.away)
            following.reopenCountdown = PortFollowing::kReopenInterval;
        else
            logOpenError(result);
        return;
    }
    if (following.away) {
        following.away = false;
        log_->insertLine("connection restored");
    }
    state_.linkUp = true;
    requestStatus();
    state_.polls.armAfterOpen();
}

// What the port's service found: an open under way that has settled, or a port that is lost.
void Link::followPort() {
    PortFollowing& following = state_.port;
    const platform::PortState now = port_.state();
    if (following.opening) {
        if (now == platform::PortState::Opening) return;
        if (now == platform::PortState::Lost) {
            following.opening = false;
            portLost();
        } else if (now == platform::PortState::Open) {
            opened({});
        } else {
            platform::OpenResult result = port_.openResult();
            if (result.ok()) result = {platform::OpenError::Other, 0, "the open did not complete"};
            opened(result);
        }
        return;
    }
    if (now == platform::PortState::Lost) {
        portLost();
        return;
    }
    if (following.away && --following.reopenCountdown <= 0) openPort();
}

// One line for the loss however long it lasts; the transfers end as after a failed write, but
// without its "connection error".
void Link::portLost() {
    PortFollowing& following = state_.port;
    port_.close();
    following.reopenCountdown = PortFollowing::kReopenInterval;
    if (following.away) return;  // lost again before it came back
    following.away = true;
    failedWriteReset(false);
    log_->insertLine("connection lost");
}

// The error line, and under it (newest on top) what the port is and what the system said.
void Link::logOpenError(const platform::OpenResult& result) {
    log_->insertLine(openErrorLine(result));
    if (result.error == platform::OpenError::Busy) return;
    if (result.error == platform::OpenError::PermissionDenied) {
        log_->insertLine("(no permission: join group dialout)");
        return;
    }
    std::string hint = "(COM" + std::to_string(state_.portNumber) + " is " +
                       platform::comPortName(state_.portNumber);
    if (!result.reason.empty()) hint += ": " + result.reason;
    log_->insertLine(hint + ")");
}

void Link::sendBytes(std::span<const std::uint8_t> bytes) {
    if (port_.write(bytes) < bytes.size()) failedWriteReset(true);
}

void Link::sendPoll(std::string_view frame) {
    const auto bytes = protocol::bytesOf(frame);
    if (port_.write(bytes) < bytes.size()) failedWriteReset(state_.linkUp);
}

// Whatever was shown comes from a recorder that can no longer be heard: no stale time or track
// stays on screen while the link is down.
void Link::failedWriteReset(bool report) {
    if (hooks_) hooks_->failedWrite();
    state_.linkUp = false;
    state_.recorder.standbyPending = false;
    state_.recorder.afterRecord = false;
    state_.polls.downStatusCountdown = PollSchedule::kDownStatusInterval;
    displays_->setTimeText({});
    displays_->setTrackText({});
    if (report) log_->insertLine("connection error");
}

void Link::replyReceived() {
    if (state_.linkUp) return;
    state_.linkUp = true;
    state_.polls.armAfterOpen();
}

void Link::sendSilent(std::string_view frame) { sendBytes(protocol::bytesOf(frame)); }

void Link::sendLogged(std::string_view frame, std::string_view logText) {
    sendBytes(protocol::bytesOf(frame));
    logCommand(logText);
}

void Link::logCommand(std::string_view text) { log_->insertLine(commandLogLine(text, clock_.now())); }

void Link::logMessage(std::string_view text) { log_->insertLine(text); }

void Link::sendKey(protocol::Key key) {
    using protocol::Key;
    const protocol::KeyCommand& command = protocol::keyCommand(key);
    if (key == Key::JumpBack || key == Key::JumpFF)
        state_.polls.timeCountdown = PollSchedule::kTrackJumpPause;
    sendLogged(commandFrame(command.body), commandLogText(command.body, command.name));
    if (key == Key::Standby) state_.recorder.standbyPending = true;
}

void Link::requestStatus() {
    using namespace protocol;
    sendLogged(commandFrame(kStatusRequest), commandLogText(kStatusRequest, kStatusRequestName));
}

void Link::requestTimeLogged() {
    using namespace protocol;
    sendLogged(commandFrame(kTimeRequest), commandLogText(kTimeRequest, kTimeRequestName));
}

void Link::requestDisplayMode() { sendPoll(commandFrame(protocol::kDisplayModeRequest)); }

void Link::requestTime() { sendPoll(commandFrame(protocol::kTimeRequest)); }

void Link::enterPresetTransfer() { state_.recorder.state = protocol::RecorderState::PresetTransfer; }

void Link::leavePresetTransfer() { state_.recorder.state = protocol::RecorderState::Stop; }

}  // namespace tavrin::link
