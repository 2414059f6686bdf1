#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "link/key_commands.h"
#include "link/port.h"
#include "link/transfer_hooks.h"
#include "link/views.h"

namespace tavrin::link {

// Recorder states as the receive tick follows them.
namespace recorder {
inline constexpr int kStandby = 0;
inline constexpr int kStop = 1;
inline constexpr int kPlay = 2;
inline constexpr int kPlayPause = 3;
inline constexpr int kTS = 4;
inline constexpr int kRecPause = 5;
inline constexpr int kRec = 6;
inline constexpr int kPresetTransfer = 11;
inline constexpr int kOther = 12;
}  // namespace recorder

inline constexpr std::size_t kChunkSize = 32;
inline constexpr std::size_t kLineBufferSize = 512;
inline constexpr int kDisplayModeInterval = 15;
inline constexpr int kTimeInterval = 15;
inline constexpr int kTimeIntervalTS = 50;
inline constexpr int kTrackJumpPause = 50;

// The link's process-wide state; shared by nested receive ticks.
struct LinkState {
    int portNumber = 2;
    bool linkUp = false;
    int recorderState = recorder::kStandby;
    int displayMode = 0;
    int displayModeCountdown = 0;
    int timeCountdown = 0;
    bool standbyPending = false;
    bool afterRecord = false;
    std::array<std::uint8_t, kLineBufferSize> lineBuffer{};
    std::uint16_t pendingLength = 0;  // bytes of an unfinished line at the start of lineBuffer
};

// The device link: the port, the one send operation, the message log and the 20 ms
// receive tick. Everything runs on the user-interface thread.
class Link {
public:
    Link(Port& port, MessageLog& log, MainDisplays& displays, const Clock& clock);

    void setTransferHooks(TransferHooks* hooks) { hooks_ = hooks; }

    LinkState& state() { return state_; }
    const LinkState& state() const { return state_; }
    Port& port() { return port_; }

    // Purge, close and open COM<portNumber>; on success send the status request and arm the
    // polls, on failure log why. Used at start-up and by every change of the port selector.
    void changePort(int portNumber);

    // The one send operation. A short write runs the failed-write reset.
    void sendBytes(std::span<const std::uint8_t> bytes);
    void sendSilent(std::string_view frame);
    void sendLogged(std::string_view frame, std::string_view logText);
    void logCommand(std::string_view text);
    void logMessage(std::string_view text);

    // A key button: its frame, its log line, and the track jumps' and Standby's effects.
    void sendKey(Key key);
    void requestStatus();          // "@0?ST", logged
    void requestTimeLogged();      // "@0?TI", logged (the DispTime button)
    void requestDisplayMode();     // "@0?TMOD", silent
    void requestTime();            // "@0?TI", silent

    // One receive tick (RxTimerTimer). Re-entrant: a tick may run nested inside another
    // while the preset editor is shown from it; only the reply list is the tick's own.
    void RxTimerTimer();

private:
    void failedWriteReset();

    Port& port_;
    MessageLog& log_;
    MainDisplays& displays_;
    const Clock& clock_;
    TransferHooks* hooks_ = nullptr;
    LinkState state_;
};

}  // namespace tavrin::link
