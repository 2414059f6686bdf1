#include "link/link.h"

#include <string>

#include "link/command_frame.h"

namespace tavrin::link {

namespace {

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string openErrorLine(const OpenResult& result) {
    switch (result.error) {
    case OpenError::None: return {};
    case OpenError::NoSuchPort: return "com port number error";
    case OpenError::Busy: return "com port busy";
    case OpenError::PermissionDenied:
    case OpenError::Other: break;
    }
    return "com port" + std::to_string(result.systemCode) + " error";
}

}  // namespace

const KeyCommand& keyCommand(Key key) {
    for (const KeyCommand& k : kKeyCommands)
        if (k.key == key) return k;
    return kKeyCommands.front();  // unreachable: every Key has a row
}

Link::Link(Port& port, MessageLog& log, MainDisplays& displays, const Clock& clock)
    : port_(port), log_(log), displays_(displays), clock_(clock) {}

void Link::changePort(int portNumber) {
    state_.portNumber = portNumber;
    port_.purge();
    port_.close();
    const OpenResult result = port_.open(portNumber);
    if (!result.ok()) {
        log_.insertLine(openErrorLine(result));
        if (result.error == OpenError::PermissionDenied)
            log_.insertLine("(no permission: add the user to the dialout group)");
        return;
    }
    requestStatus();
    state_.displayModeCountdown = kDisplayModeInterval;
    state_.timeCountdown = 40;
}

void Link::sendBytes(std::span<const std::uint8_t> bytes) {
    if (port_.write(bytes) >= bytes.size())
        state_.linkUp = true;
    else
        failedWriteReset();
}

void Link::failedWriteReset() {
    if (hooks_) hooks_->failedWrite();
    state_.linkUp = false;
    state_.standbyPending = false;
    state_.afterRecord = false;
    log_.insertLine("connection error");
}

void Link::sendSilent(std::string_view frame) { sendBytes(bytesOf(frame)); }

void Link::sendLogged(std::string_view frame, std::string_view logText) {
    sendBytes(bytesOf(frame));
    logCommand(logText);
}

void Link::logCommand(std::string_view text) { log_.insertLine(commandLogLine(text, clock_.now())); }

void Link::logMessage(std::string_view text) { log_.insertLine(text); }

void Link::sendKey(Key key) {
    const KeyCommand& command = keyCommand(key);
    if (key == Key::JumpBack || key == Key::JumpFF) state_.timeCountdown = kTrackJumpPause;
    sendLogged(commandFrame(command.body), commandLogText(command.body, command.name));
    if (key == Key::Standby) state_.standbyPending = true;
}

void Link::requestStatus() {
    sendLogged(commandFrame(kStatusRequest), commandLogText(kStatusRequest, kStatusRequestName));
}

void Link::requestTimeLogged() {
    sendLogged(commandFrame(kTimeRequest), commandLogText(kTimeRequest, kTimeRequestName));
}

void Link::requestDisplayMode() { sendSilent(commandFrame(kDisplayModeRequest)); }

void Link::requestTime() { sendSilent(commandFrame(kTimeRequest)); }

}  // namespace tavrin::link
