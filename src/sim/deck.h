#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/keys.h"

namespace tavrin::sim {

using SimClock = std::chrono::steady_clock;
using TimePoint = SimClock::time_point;
using Milliseconds = std::chrono::milliseconds;

enum class Transport : std::uint8_t { Stop, Play, PlayPause, Rec, RecPause, FastForward, Rewind };

// The recorder's transport: the tracks on the card, where the head is, and what the
// display shows. Time only moves when advance() is called with a later time point. Every
// change it reports comes back as reply bodies ("STPL", "TR003") for the recorder to send.
class Deck {
public:
    explicit Deck(TimePoint now);

    // Lets the clock run up to `now`: the head moves while playing, winding or recording,
    // and a track that ends reports the next track, the last one a stop.
    std::vector<std::string> advance(TimePoint now);
    // A front-panel key, after advance() to the same time point.
    std::vector<std::string> press(protocol::Key key);
    // Standby stops the transport without a report.
    void powerOff();

    Transport transport() const { return transport_; }
    std::string_view statusCode() const;   // "ST", "PL", ...
    int track() const { return track_; }   // 1-based
    int trackCount() const { return static_cast<int>(tracks_.size()); }
    Milliseconds position() const { return Milliseconds{positionMs_}; }
    std::string_view displayMode() const;  // "RE", "TN", ... "TR"
    int displayModeIndex() const { return displayMode_; }
    // The seven digits of the time line for the current display mode: HHHMMSS.
    std::string timeDigits() const;

    // Test hooks: put the head somewhere without going through keys.
    void setTrackLengths(std::vector<std::int64_t> lengthsMs);
    void seek(int track, Milliseconds position);

private:
    void setTransport(Transport t, std::vector<std::string>& out);
    void goToTrack(int track, std::vector<std::string>& out);
    void startRecording(std::vector<std::string>& out);
    void finishRecording();
    void stepHead(std::int64_t elapsedMs, std::vector<std::string>& out);
    std::int64_t lengthOf(int track) const;
    std::int64_t usedMs() const;

    TimePoint last_;
    Transport transport_ = Transport::Stop;
    std::vector<std::int64_t> tracks_;  // lengths in milliseconds
    int track_ = 1;
    std::int64_t positionMs_ = 0;
    bool recordingTrack_ = false;  // the last track is being recorded
    bool undoable_ = false;        // the last track was recorded and may be undone
    int displayMode_ = 0;
};

}  // namespace tavrin::sim
