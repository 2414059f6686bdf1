#include "sim/deck.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <numeric>

namespace tavrin::sim {

namespace {

using protocol::Key;

struct TransportRow {
    Transport transport;
    std::string_view status;  // body of the status line after "ST"
    int speed;                // how fast the head moves, in track time per real time
};

constexpr std::array<TransportRow, 7> kTransports = {{
    {Transport::Stop, "ST", 0},
    {Transport::Play, "PL", 1},
    {Transport::PlayPause, "PP", 0},
    {Transport::Rec, "RE", 1},
    {Transport::RecPause, "RP", 0},
    {Transport::FastForward, "FF", 8},
    {Transport::Rewind, "RW", -8},
}};

const TransportRow& rowOf(Transport t) { return kTransports[static_cast<std::size_t>(t)]; }

// The display key steps through the modes in this order.
constexpr std::array<std::string_view, 8> kDisplayModes = {"RE", "TN", "TM", "AG", "ND", "TT", "RD", "TR"};
constexpr int kFirstDisplayMode = 5;  // "TT", track time

constexpr std::int64_t kCardCapacityMs = 10LL * 3600 * 1000;
// A track jump back within the first two seconds goes to the previous track.
constexpr std::int64_t kJumpBackWindowMs = 2000;

std::string trackLine(int track) {
    char text[8];
    std::snprintf(text, sizeof text, "TR%03d", std::clamp(track, 0, 999));
    return text;
}

bool isRecording(Transport t) { return t == Transport::Rec || t == Transport::RecPause; }

}  // namespace

Deck::Deck(TimePoint now)
    : last_(now), tracks_{215'000, 187'000, 242'000, 600'000}, displayMode_(kFirstDisplayMode) {}

std::string_view Deck::statusCode() const { return rowOf(transport_).status; }

std::string_view Deck::displayMode() const { return kDisplayModes[static_cast<std::size_t>(displayMode_)]; }

std::string Deck::timeDigits() const {
    std::int64_t ms = positionMs_;
    if (displayMode() == "RE") ms = kCardCapacityMs - usedMs();
    if (displayMode() == "TR") ms = lengthOf(track_) - positionMs_;
    const std::int64_t seconds = std::max<std::int64_t>(ms, 0) / 1000;
    char text[16];
    const auto hours = static_cast<int>(std::min<std::int64_t>(seconds / 3600, 999));
    std::snprintf(text, sizeof text, "%03d%02d%02d", hours, static_cast<int>(seconds / 60 % 60),
                  static_cast<int>(seconds % 60));
    return text;
}

std::vector<std::string> Deck::advance(TimePoint now) {
    std::vector<std::string> out;
    const auto elapsed = std::chrono::duration_cast<Milliseconds>(now - last_).count();
    if (elapsed <= 0) return out;
    last_ += Milliseconds{elapsed};
    stepHead(elapsed, out);
    return out;
}

void Deck::stepHead(std::int64_t elapsedMs, std::vector<std::string>& out) {
    const int speed = rowOf(transport_).speed;
    if (speed == 0) return;
    if (transport_ == Transport::Rec) {
        positionMs_ += elapsedMs;
        tracks_.back() = positionMs_;
        return;
    }
    positionMs_ += elapsedMs * speed;
    while (speed > 0 && positionMs_ >= lengthOf(track_)) {
        if (track_ >= trackCount()) {
            positionMs_ = 0;
            setTransport(Transport::Stop, out);
            return;
        }
        positionMs_ -= lengthOf(track_);
        ++track_;
        out.push_back(trackLine(track_));
    }
    while (positionMs_ < 0 && track_ > 1) {
        --track_;
        positionMs_ += lengthOf(track_);
        out.push_back(trackLine(track_));
    }
    positionMs_ = std::max<std::int64_t>(positionMs_, 0);
}

std::vector<std::string> Deck::press(Key key) {
    std::vector<std::string> out;
    const Transport t = transport_;
    switch (key) {
    case Key::Play:
        if (t == Transport::RecPause) setTransport(Transport::Rec, out);
        else if (t != Transport::Rec) setTransport(Transport::Play, out);
        break;
    case Key::Stop:
        if (isRecording(t)) finishRecording();
        positionMs_ = 0;
        setTransport(Transport::Stop, out);
        break;
    case Key::Pause:
        if (t == Transport::Play) setTransport(Transport::PlayPause, out);
        if (t == Transport::PlayPause) setTransport(Transport::Play, out);
        if (t == Transport::Rec) setTransport(Transport::RecPause, out);
        if (t == Transport::RecPause) setTransport(Transport::Rec, out);
        break;
    case Key::Rec:
        if (t == Transport::Stop) startRecording(out);
        if (t == Transport::RecPause) setTransport(Transport::Rec, out);
        break;
    case Key::MTrack:
        if (t == Transport::Rec) {
            tracks_.push_back(0);
            goToTrack(trackCount(), out);
        }
        break;
    case Key::JumpFF:
        if (!isRecording(t) && track_ < trackCount()) goToTrack(track_ + 1, out);
        break;
    case Key::JumpBack:
        if (!isRecording(t)) goToTrack(positionMs_ < kJumpBackWindowMs ? std::max(track_ - 1, 1) : track_, out);
        break;
    case Key::FF:
        if (!isRecording(t)) setTransport(Transport::FastForward, out);
        break;
    case Key::Rew:
        if (!isRecording(t)) setTransport(Transport::Rewind, out);
        break;
    case Key::RecUndo:
        if (t == Transport::Stop && undoable_) {
            tracks_.pop_back();
            undoable_ = false;
            goToTrack(std::max(trackCount(), 1), out);
        }
        break;
    case Key::Display: displayMode_ = (displayMode_ + 1) % static_cast<int>(kDisplayModes.size()); break;
    default: break;  // keys the transport does not follow: volume, marks, digits, ...
    }
    return out;
}

void Deck::powerOff() {
    if (isRecording(transport_)) finishRecording();
    positionMs_ = 0;
    transport_ = Transport::Stop;
}

void Deck::setTransport(Transport t, std::vector<std::string>& out) {
    if (t == transport_) return;
    transport_ = t;
    out.push_back("ST" + std::string(rowOf(t).status));
}

void Deck::goToTrack(int track, std::vector<std::string>& out) {
    track_ = track;
    positionMs_ = 0;
    out.push_back(trackLine(track_));
}

// REC from Stop opens a new track at the end of the card and waits in record pause.
void Deck::startRecording(std::vector<std::string>& out) {
    tracks_.push_back(0);
    recordingTrack_ = true;
    undoable_ = false;
    setTransport(Transport::RecPause, out);
    goToTrack(trackCount(), out);
}

// A track that never got any sound is dropped again.
void Deck::finishRecording() {
    if (!recordingTrack_) return;
    recordingTrack_ = false;
    undoable_ = tracks_.back() > 0;
    if (!undoable_) tracks_.pop_back();
    track_ = std::clamp(track_, 1, std::max(trackCount(), 1));
}

void Deck::setTrackLengths(std::vector<std::int64_t> lengthsMs) {
    tracks_ = std::move(lengthsMs);
    track_ = 1;
    positionMs_ = 0;
}

void Deck::seek(int track, Milliseconds position) {
    track_ = std::clamp(track, 1, std::max(trackCount(), 1));
    positionMs_ = std::max<std::int64_t>(position.count(), 0);
}

std::int64_t Deck::lengthOf(int track) const {
    return track >= 1 && track <= trackCount() ? tracks_[static_cast<std::size_t>(track - 1)] : 0;
}

std::int64_t Deck::usedMs() const { return std::accumulate(tracks_.begin(), tracks_.end(), std::int64_t{0}); }

}  // namespace tavrin::sim
