#pragma once

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "sim/pty_pair.h"
#include "sim/recorder.h"

namespace tavrin::sim {

struct SimOptions {
    bool pacing = true;        // bytes leave at 9600 bit/s, about 1.04 ms a byte
    std::string linkPath;      // a symbolic link to the terminal side; empty: none
    std::ostream* trace = nullptr;  // every byte both ways, with a time stamp
    std::uint32_t seed = 1;    // for split points and noise
    bool splitReplies = false; // cut each reply line at a random point, the rest a little later
    double noise = 0.0;        // chance that a burst of garbage bytes goes out before a write
    ProtocolFaults protocol;
};

// The recorder on a pseudo-terminal. The caller's loop calls step() (or poll()) often; it
// never blocks and starts no thread: it reads what the program sent, lets the recorder
// answer, and sends the bytes that are due. Line faults sit here, the recorder's own in
// recorder().faults().
class RecorderSim {
public:
    explicit RecorderSim(SimOptions options = {}, TimePoint now = SimClock::now());
    ~RecorderSim();
    RecorderSim(const RecorderSim&) = delete;
    RecorderSim& operator=(const RecorderSim&) = delete;

    bool ok() const { return error_.empty() && pair_.ok(); }
    const std::string& error() const { return error_; }
    // The terminal side the program opens, e.g. /dev/pts/4.
    const std::string& devicePath() const { return pair_.path(); }

    void step(TimePoint now);
    void poll() { step(SimClock::now()); }
    // How long the caller may wait for input before the next step is due.
    Milliseconds timeUntilDue(TimePoint now) const;
    // The handle to wait on for input; -1 while hung up or not reading.
    int inputFd() const;

    Recorder& recorder() { return recorder_; }
    const Recorder& recorder() const { return recorder_; }
    std::size_t queuedBytes() const;

    void setSplitReplies(bool on) { options_.splitReplies = on; }
    void setNoise(double chance) { options_.noise = chance; }
    // Sends a burst of garbage bytes of its own, as a noisy line carries even while the
    // recorder is silent.
    void sendNoise(TimePoint now);
    void setPacing(bool on) { options_.pacing = on; }
    // Stops taking input, as a recorder that holds CTS low: the line fills up and the
    // program's writes time out. Input that arrived meanwhile is thrown away on resuming.
    void setStopReading(bool on);
    bool stopReading() const { return stopReading_; }
    // Closes the pseudo-terminal (and removes the link), as when a USB adapter is pulled.
    void hangUp();
    // Comes back on a new pseudo-terminal; the link, if any, is made again at its path.
    bool comeBack();
    bool hungUp() const { return !pair_.ok(); }
    // How the program, or a serial device server between it and the simulator, has set the
    // terminal side's line: "9600 8N1 crtscts", "19200 8N1 -crtscts". Empty while hung up.
    std::string lineSettings() const;

private:
    struct Piece {
        explicit Piece(std::string b, Milliseconds g = Milliseconds{0}) : bytes(std::move(b)), gap(g) {}
        std::string bytes;
        Milliseconds gap{0};  // line silence before the first byte
        bool gapTaken = false;
        std::size_t sent = 0;
        TimePoint startedAt;
    };

    bool open();
    void readInput(TimePoint now);
    void enqueue(const std::vector<std::string>& writes, TimePoint now);
    void flushOutput(TimePoint now);
    void fillLine();
    void discardInput();
    void traceBytes(TimePoint now, bool fromProgram, std::string_view bytes);
    std::string noiseBurst();
    bool makeLink();
    void removeLink();

    SimOptions options_;
    TimePoint start_;
    Recorder recorder_;
    PtyPair pair_;
    std::string error_;
    std::deque<Piece> queue_;
    TimePoint nextByteAt_;
    bool stopReading_ = false;
    std::mt19937 random_;
};

}  // namespace tavrin::sim
