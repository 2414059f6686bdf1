#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "link/link_state.h"
#include "link/transfer_hooks.h"
#include "link/views.h"
#include "platform/clock.h"
#include "platform/port.h"
#include "protocol/keys.h"

namespace tavrin::link {

// The device link: the port, the one send operation, the message log and the 20 ms
// receive tick. Everything runs on the user-interface thread.
class Link {
public:
    Link(platform::Port& port, const platform::Clock& clock);
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // The main window's log and displays; until they are attached nothing is shown.
    void attach(MessageLog& log, MainDisplays& displays);
    void detach();
    void setTransferHooks(TransferHooks* hooks) { hooks_ = hooks; }

    const LinkState& state() const { return state_; }
    // For tests that start from a given state; the program changes it only through the
    // operations below.
    LinkState& stateForTesting() { return state_; }
    platform::Port& port() { return port_; }
    MainDisplays& displays() { return *displays_; }

    // Purge, close and open COM<portNumber>; on success send the status request and arm the
    // polls, on failure log why. Used at start-up and by every change of the port selector,
    // which also ends the reopening of a port that was lost. A port still Opening when the
    // open returns (a network connection) is settled by a later tick, in the same way.
    void changePort(int portNumber);

    // The one send operation. A write the port does not take whole runs the failed-write reset;
    // so does one whose bytes do not leave in time, found by a later tick.
    void sendBytes(std::span<const std::uint8_t> bytes);
    void sendSilent(std::string_view frame);
    void sendLogged(std::string_view frame, std::string_view logText);
    // An automatic request: while the link is down its failure adds no "connection error".
    void sendPoll(std::string_view frame);
    void logCommand(std::string_view text);
    void logMessage(std::string_view text);

    // A key button: its frame, its log line, and the track jumps' and Standby's effects.
    void sendKey(protocol::Key key);
    void requestStatus();          // "@0?ST", logged
    void requestTimeLogged();      // "@0?TI", logged (the DispTime button)
    void requestDisplayMode();     // "@0?TMOD", silent
    void requestTime();            // "@0?TI", silent

    // The preset gate puts the recorder in the preset transfer state; closing the editor
    // (or a transfer that ends without it) puts it back to Stop.
    void enterPresetTransfer();
    void leavePresetTransfer();

    // One receive tick (RxTimerTimer). Re-entrant: a tick may run nested inside another
    // while the preset editor is shown from it; only the reply list is the tick's own.
    // It also follows the port: an open under way that settles, and a port that is lost
    // ("connection lost", the failed-write reset, then a quiet open about once a second
    // until one succeeds: "connection restored" and the start-up requests).
    void RxTimerTimer();

    // A reply, ACK or NAK came: a link that was down is up again, and the polls start over.
    void replyReceived();

private:
    void openPort();
    void opened(const platform::OpenResult& result);
    void followPort();
    void portLost();
    void logOpenError(const platform::OpenResult& result);
    void failedWriteReset(bool report);

    platform::Port& port_;
    const platform::Clock& clock_;
    MessageLog* log_;
    MainDisplays* displays_;
    TransferHooks* hooks_ = nullptr;
    LinkState state_;
};

}  // namespace tavrin::link
