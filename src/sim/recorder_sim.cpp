#include "sim/recorder_sim.h"

#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ostream>

#include "protocol/frames.h"
#include "sim/trace.h"

namespace tavrin::sim {

namespace {

// 9600 bit/s with a start and a stop bit: ten bits a byte.
constexpr auto kByteTime = std::chrono::nanoseconds{1'041'667};
constexpr Milliseconds kIdleWait{50};
constexpr int kShortestSplitGapMs = 5;
constexpr int kLongestSplitGapMs = 40;
constexpr int kLongestNoiseBurst = 3;

bool isProtocolByte(int byte) {
    return byte == '@' || byte == protocol::kCR || byte == protocol::kACK || byte == protocol::kNAK;
}

}  // namespace

RecorderSim::RecorderSim(SimOptions options, TimePoint now)
    : options_(std::move(options)), start_(now), recorder_(now), nextByteAt_(now), random_(options_.seed) {
    recorder_.faults() = options_.protocol;
    open();
}

RecorderSim::~RecorderSim() { removeLink(); }

bool RecorderSim::open() {
    if (!pair_.ok()) pair_ = PtyPair();
    if (!pair_.ok()) {
        error_ = std::string("cannot open a pseudo-terminal: ") + std::strerror(pair_.error());
        return false;
    }
    error_.clear();
    return options_.linkPath.empty() || makeLink();
}

void RecorderSim::step(TimePoint now) {
    if (!pair_.ok()) {
        (void)recorder_.advance(now);  // the recorder runs on; nobody hears it
        return;
    }
    if (stopReading_)
        fillLine();
    else
        readInput(now);
    enqueue(recorder_.advance(now), now);
    flushOutput(now);
}

Milliseconds RecorderSim::timeUntilDue(TimePoint now) const {
    if (queue_.empty() || !pair_.ok()) return kIdleWait;
    const Piece& front = queue_.front();
    const TimePoint due = nextByteAt_ + (front.gapTaken ? Milliseconds{0} : front.gap);
    if (due <= now) return Milliseconds{0};
    return std::min(kIdleWait, std::chrono::ceil<Milliseconds>(due - now));
}

int RecorderSim::inputFd() const { return pair_.ok() && !stopReading_ ? pair_.master() : -1; }

std::size_t RecorderSim::queuedBytes() const {
    std::size_t total = 0;
    for (const Piece& p : queue_) total += p.bytes.size() - p.sent;
    return total;
}

void RecorderSim::readInput(TimePoint now) {
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(pair_.master(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        const std::string_view bytes(buffer, static_cast<std::size_t>(n));
        traceBytes(now, true, bytes);
        enqueue(recorder_.receive(bytes, now), now);
    }
}

void RecorderSim::enqueue(const std::vector<std::string>& writes, TimePoint now) {
    for (const std::string& write : writes) {
        if (queue_.empty()) nextByteAt_ = std::max(nextByteAt_, now);
        if (options_.noise > 0 && std::bernoulli_distribution(std::min(options_.noise, 1.0))(random_))
            queue_.emplace_back(noiseBurst());
        if (options_.splitReplies && write.size() > 1) {
            const std::size_t at = std::uniform_int_distribution<std::size_t>(1, write.size() - 1)(random_);
            std::uniform_int_distribution<int> gapMs(kShortestSplitGapMs, kLongestSplitGapMs);
            const int gap = gapMs(random_);
            queue_.emplace_back(write.substr(0, at));
            queue_.emplace_back(write.substr(at), Milliseconds{gap});
        } else {
            queue_.emplace_back(write);
        }
    }
}

// Each piece is a write of its own. Paced, a byte leaves every 1.04 ms: a step sends what
// has become due since the last one. The trace shows a piece once it is out, stamped with
// the time its first byte left.
void RecorderSim::flushOutput(TimePoint now) {
    while (!queue_.empty()) {
        Piece& piece = queue_.front();
        if (!piece.gapTaken) {
            nextByteAt_ += piece.gap;
            piece.gapTaken = true;
        }
        if (nextByteAt_ > now) return;
        std::size_t due = piece.bytes.size() - piece.sent;
        if (options_.pacing)
            due = std::min<std::size_t>(due, 1 + static_cast<std::size_t>((now - nextByteAt_) / kByteTime));
        const ssize_t n = ::write(pair_.master(), piece.bytes.data() + piece.sent, due);
        if (n <= 0) {
            nextByteAt_ = std::max(nextByteAt_, now);  // the program's side is full: later
            return;
        }
        if (piece.sent == 0) piece.startedAt = now;
        piece.sent += static_cast<std::size_t>(n);
        nextByteAt_ = options_.pacing ? nextByteAt_ + kByteTime * n : now;
        if (piece.sent < piece.bytes.size()) return;
        traceBytes(piece.startedAt, false, piece.bytes);
        queue_.pop_front();
    }
}

std::string RecorderSim::noiseBurst() {
    const int length = std::uniform_int_distribution<int>(1, kLongestNoiseBurst)(random_);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string burst;
    while (static_cast<int>(burst.size()) < length) {
        const int b = byte(random_);
        if (!isProtocolByte(b)) burst += static_cast<char>(b);
    }
    return burst;
}

void RecorderSim::sendNoise(TimePoint now) {
    if (queue_.empty()) nextByteAt_ = std::max(nextByteAt_, now);
    queue_.emplace_back(noiseBurst());
}

void RecorderSim::setStopReading(bool on) {
    if (on == stopReading_) return;
    stopReading_ = on;
    if (!pair_.ok()) return;
    if (on)
        fillLine();
    else
        discardInput();
}

// Filler through the pair's own handle on the terminal side takes up all the room on the
// way to the recorder, so the program's next write waits and times out.
void RecorderSim::fillLine() {
    static const std::string filler(1024, '\0');
    while (::write(pair_.terminal(), filler.data(), filler.size()) > 0) {
    }
}

void RecorderSim::discardInput() {
    (void)tcflush(pair_.master(), TCIFLUSH);
    char buffer[1024];
    while (::read(pair_.master(), buffer, sizeof buffer) > 0) {
    }
}

void RecorderSim::hangUp() {
    removeLink();
    pair_.close();
    queue_.clear();
}

bool RecorderSim::comeBack() {
    if (pair_.ok()) return true;
    return open();
}

std::string RecorderSim::lineSettings() const {
    termios tio{};
    if (!pair_.ok() || tcgetattr(pair_.terminal(), &tio) != 0) return {};
    struct Rate {
        speed_t code;
        const char* text;
    };
    static constexpr Rate kRates[] = {{B1200, "1200"},   {B2400, "2400"},   {B4800, "4800"},
                                      {B9600, "9600"},   {B19200, "19200"}, {B38400, "38400"},
                                      {B57600, "57600"}, {B115200, "115200"}};
    const speed_t speed = cfgetospeed(&tio);
    std::string text = "other";
    for (const Rate& rate : kRates)
        if (rate.code == speed) text = rate.text;
    switch (tio.c_cflag & CSIZE) {
    case CS5: text += " 5"; break;
    case CS6: text += " 6"; break;
    case CS7: text += " 7"; break;
    default: text += " 8"; break;
    }
    text += (tio.c_cflag & PARENB) == 0 ? 'N' : (tio.c_cflag & PARODD) != 0 ? 'O' : 'E';
    text += (tio.c_cflag & CSTOPB) != 0 ? '2' : '1';
    text += (tio.c_cflag & CRTSCTS) != 0 ? " crtscts" : " -crtscts";
    return text;
}

void RecorderSim::traceBytes(TimePoint now, bool fromProgram, std::string_view bytes) {
    if (options_.trace == nullptr) return;
    const auto since = std::chrono::duration_cast<Milliseconds>(now - start_);
    *options_.trace << traceLine(since, fromProgram ? Direction::FromProgram : Direction::ToProgram, bytes)
                    << std::endl;
}

// Replaces an old link, but never anything else that stands at the path.
bool RecorderSim::makeLink() {
    const std::string& path = options_.linkPath;
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            error_ = path + " exists and is not a symbolic link";
            return false;
        }
        (void)unlink(path.c_str());
    }
    if (symlink(pair_.path().c_str(), path.c_str()) != 0) {
        error_ = "cannot make the link " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// Only a link that still points at this simulator's terminal is removed.
void RecorderSim::removeLink() {
    const std::string& path = options_.linkPath;
    if (path.empty() || pair_.path().empty()) return;
    char target[4096];
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string_view(target, static_cast<std::size_t>(n)) == pair_.path())
        (void)unlink(path.c_str());
}

}  // namespace tavrin::sim
