// The 20 ms receive tick: drains the port, cuts reply lines out of the byte stream, follows
// the recorder's status and display mode, fills the main window's displays, echoes replies,
// hands preset replies and acknowledgements on, and sends the two automatic polls.

#include <algorithm>
#include <cstring>

#include "link/command_frame.h"
#include "link/link.h"

namespace tavrin::link {

namespace {

using Group = ReplyKind::Group;

constexpr std::size_t kReplyListSize = 10;
// A line's text is kept (and echoed) up to the 20 characters the classifier looks at, followed
// by its CR; the recorder's replies are at most 12 characters long.
constexpr std::size_t kKeptLineLength = 20;
constexpr std::string_view kAckText = "ACK";
constexpr std::string_view kNakText = "invalid(NAK returned)";
constexpr std::string_view kHyphens = "----------";

struct Reply {
    ReplyKind kind;
    std::array<char, kKeptLineLength + 1> line{};  // from the "@" through the CR, cut as above
    std::uint8_t lineLength = 0;

    std::string_view text() const {
        switch (kind.group) {
        case Group::Ack: return kAckText;
        case Group::Nak: return kNakText;
        default: return {line.data(), lineLength};
        }
    }
    // Position p of the line (0 is the "@").
    char at(std::size_t p) const { return p < lineLength ? line[p] : '\0'; }
};

// The tick's own list of replies, in arrival order; an eleventh and any later line of the
// same tick takes the place of the tenth.
class ReplyList {
public:
    void add(const Reply& reply) {
        if (count_ < items_.size())
            items_[count_++] = reply;
        else
            items_.back() = reply;
    }
    std::span<const Reply> entries() const { return {items_.data(), count_}; }

private:
    std::array<Reply, kReplyListSize> items_{};
    std::size_t count_ = 0;
};

Reply acknowledgementReply(bool ack) {
    Reply reply;
    reply.kind.group = ack ? Group::Ack : Group::Nak;
    return reply;
}

// A complete line: its bytes from the "@" up to the CR, which is not among them.
Reply lineReply(std::span<const std::uint8_t> line) {
    Reply reply;
    reply.kind = classify(line);
    const std::size_t kept = std::min(line.size(), kKeptLineLength);
    std::copy_n(line.begin(), kept, reply.line.begin());
    reply.line[kept] = kCR;
    reply.lineLength = static_cast<std::uint8_t>(kept + 1);
    return reply;
}

// Line assembly over the first scanLength bytes of the line buffer. Complete lines go to the
// list; an unfinished one (no CR before a zero byte or the end of the scan) is moved to the
// start of the buffer and becomes the pending line. Bytes outside lines are skipped.
void assembleLines(LinkState& state, std::size_t scanLength, ReplyList& replies) {
    auto& buffer = state.lineBuffer;
    state.pendingLength = 0;
    for (std::size_t j = 0; j < scanLength; ++j) {
        if (buffer[j] != '@') continue;
        std::size_t k = j + 1;
        while (k < scanLength && buffer[k] != kCR && buffer[k] != 0) ++k;
        if (k == scanLength || buffer[k] == 0) {
            std::memmove(buffer.data(), buffer.data() + j, k - j);
            state.pendingLength = static_cast<std::uint16_t>(k - j);
            return;
        }
        replies.add(lineReply(std::span(buffer).subspan(j, k - j)));
        j = k;
    }
}

// Places a read's bytes in the line buffer and assembles. The scan covers only bytes placed
// in this tick or kept as the pending line; the chunk is zero past the bytes read.
void takeChunk(LinkState& state, std::span<const std::uint8_t, kChunkSize> chunk, ReplyList& replies) {
    auto& buffer = state.lineBuffer;
    std::size_t start = state.pendingLength;
    std::span<const std::uint8_t> bytes = chunk;
    if (chunk[0] == kACK || chunk[0] == kNAK) {
        // An acknowledgement starts a read afresh, as a read starting with "@" does.
        start = 0;
        bytes = chunk.subspan(1);
    } else if (chunk[0] == '@') {
        start = 0;
    } else if (start + kChunkSize > buffer.size()) {
        start = 0;  // a line that never ends is dropped once the next read would not fit
    }
    std::fill_n(buffer.begin() + static_cast<std::ptrdiff_t>(start), kChunkSize, 0);
    std::copy(bytes.begin(), bytes.end(), buffer.begin() + static_cast<std::ptrdiff_t>(start));
    assembleLines(state, start + kChunkSize, replies);
}

bool isTimeMode(int displayMode) { return displayMode == 1 || displayMode == 6 || displayMode == 8; }

struct StatusEffect {
    std::string_view code;
    int recorderState;   // kUnchanged: keeps the state
    int timeCountdown;   // kUnchanged: keeps the countdown
    bool clearTime = false;
    bool afterRecord = false;  // the next stop report keeps the track number
};

constexpr int kUnchanged = -1;

// "ST" (stop) is handled on its own: it depends on the after-record flag.
constexpr StatusEffect kStatusEffects[] = {
    {"RE", recorder::kRec, 0, false, true},
    {"RP", recorder::kRecPause, 1},
    {"TS", recorder::kTS, 75, true},
    {"PL", recorder::kPlay, 1},
    {"PP", recorder::kPlayPause, kUnchanged},
    {"S+", 7, 1},
    {"S-", 8, 1},
    {"FF", 9, 1},
    {"RW", 10, 1},
    {"AB", kUnchanged, kUnchanged},
    {"TP", kUnchanged, kUnchanged},
    {"EP", kUnchanged, kUnchanged},
    {"ED", recorder::kPresetTransfer, kUnchanged},
    {"ER", recorder::kOther, kUnchanged},
    {"WR", recorder::kOther, kUnchanged},
    {"EW", recorder::kOther, kUnchanged},
    {"RU", recorder::kOther, kUnchanged},
};

struct DisplayModeText {
    std::string_view code;
    int mode;
    std::string_view text;
};

constexpr DisplayModeText kDisplayModes[] = {
    {"RE", 1, "REC REMAIN TIME"}, {"TN", 2, "Total track mode"}, {"TM", 3, "Total mark mode"},
    {"AG", 4, "Algolithm mode"},  {"ND", 5, "Date mode"},        {"TT", 6, "TRACK TIME"},
    {"RD", 7, "REC date mode"},   {"TR", 8, "TRACK REMAIN TIME"},
};

// One run of the tick. The reply list is its own; everything else is the link's shared state,
// which nested ticks change while this one is suspended in a preset reply.
class ReceiveTick {
public:
    ReceiveTick(Link& link, LinkState& state, MainDisplays& displays, TransferHooks* hooks)
        : link_(link), state_(state), displays_(displays), hooks_(hooks) {}

    void run() {
        intake();
        for (const Reply& reply : replies_.entries()) dispatch(reply);
        pollDisplayMode();
        pollTime();
    }

private:
    bool editorOpen() const { return hooks_ && hooks_->editorOpen(); }

    void intake() {
        std::array<std::uint8_t, kChunkSize> chunk{};
        if (link_.port().readAvailable(chunk) == 0) return;
        state_.linkUp = true;
        const bool ack = chunk[0] == kACK;
        const bool nak = chunk[0] == kNAK;
        if (ack || nak) replies_.add(acknowledgementReply(ack));
        // The lines are cut out before the acknowledgement is handed on, so nothing the
        // handler does can touch this read's bytes.
        takeChunk(state_, chunk, replies_);
        if (!ack && !nak) return;
        if (editorOpen()) hooks_->acknowledgement(ack);
        if (ack && state_.standbyPending) {
            state_.recorderState = recorder::kStandby;
            state_.standbyPending = false;
            displays_.setTimeText({});
        }
    }

    void dispatch(const Reply& reply) {
        if (state_.recorderState == recorder::kPresetTransfer) {
            dispatchInTransfer(reply.kind);
            return;
        }
        if (applyEffect(reply)) link_.logMessage(replyEcho(reply.text()));
    }

    // While a preset transfer runs only a stop report and the settings count; nothing is echoed.
    void dispatchInTransfer(const ReplyKind& kind) {
        if (kind.isStatus("ST"))
            stop();
        else if (kind.group == Group::Setting && hooks_)
            hooks_->presetReply(kind);  // may show the editor: ticks then nest in here
    }

    void stop() {
        state_.recorderState = recorder::kStop;
        if (state_.afterRecord) {
            state_.afterRecord = false;
        } else {
            displays_.setTrackText({});
            state_.timeCountdown = 1;
        }
    }

    // Returns whether the reply is echoed.
    bool applyEffect(const Reply& reply) {
        const ReplyKind& kind = reply.kind;
        switch (kind.group) {
        case Group::Ack:
        case Group::Nak: return true;
        case Group::PowerMode:
            if (kind.code[0] == '1') {
                state_.recorderState = recorder::kStandby;
                displays_.setTrackText({});
                displays_.setTimeText({});
            }
            return true;
        case Group::Status: status(kind); return true;
        case Group::DoorSensor:
        case Group::Card:
        case Group::Unknown: state_.recorderState = recorder::kOther; return true;
        case Group::TrackNumber: trackNumber(reply); return false;
        case Group::Time: time(reply); return false;
        case Group::DisplayMode: displayMode(kind); return false;
        case Group::Setting:
            if (kind.setting != preset::PresetSetting::ID3)
                state_.recorderState = recorder::kOther;
            else if (hooks_)
                hooks_->id3OutsideTransfer(kind.idText());
            return true;
        }
        return true;
    }

    void status(const ReplyKind& kind) {
        if (kind.isStatus("ST")) {
            stop();
            return;
        }
        for (const StatusEffect& effect : kStatusEffects) {
            if (!kind.isStatus(effect.code)) continue;
            if (effect.afterRecord) state_.afterRecord = true;
            if (effect.recorderState != kUnchanged) state_.recorderState = effect.recorderState;
            if (effect.timeCountdown != kUnchanged) state_.timeCountdown = effect.timeCountdown;
            if (effect.clearTime) displays_.setTimeText({});
            return;
        }
    }

    // "@0TR" + three digits
    void trackNumber(const Reply& reply) {
        if (isTimeMode(state_.displayMode)) {
            const std::array<char, 3> digits{reply.at(4), reply.at(5), reply.at(6)};
            displays_.setTrackText({digits.data(), digits.size()});
        }
        displays_.setTimeText({});
    }

    // "@0TI" + seven digits, shown as 001:23:45
    void time(const Reply& reply) {
        if (!isTimeMode(state_.displayMode)) return;
        const std::array<char, 9> text{reply.at(4), reply.at(5), reply.at(6), ':',         reply.at(7),
                                       reply.at(8), ':',         reply.at(9), reply.at(10)};
        displays_.setTimeText({text.data(), text.size()});
    }

    void displayMode(const ReplyKind& kind) {
        for (const DisplayModeText& mode : kDisplayModes) {
            if (kind.codeText() != mode.code) continue;
            if (state_.displayMode == mode.mode) return;
            if (!isTimeMode(mode.mode)) displays_.setTimeText(kHyphens);
            displays_.setDispModeText(mode.text);
            state_.displayMode = mode.mode;
            return;
        }
    }

    bool pollsAllowed() const { return state_.linkUp && !editorOpen() && !state_.standbyPending; }

    void pollDisplayMode() {
        if (state_.displayModeCountdown > 0) {
            --state_.displayModeCountdown;
            return;
        }
        if (pollsAllowed() && state_.recorderState != recorder::kStandby) link_.requestDisplayMode();
        state_.displayModeCountdown = kDisplayModeInterval;
    }

    static bool timePolledIn(int recorderState) {
        return recorderState != recorder::kStandby && recorderState != recorder::kPlayPause &&
               recorderState <= 10;
    }

    void pollTime() {
        if (state_.timeCountdown > 0) {
            --state_.timeCountdown;
            return;
        }
        if (!state_.linkUp) return;
        if (pollsAllowed() && timePolledIn(state_.recorderState) && isTimeMode(state_.displayMode))
            link_.requestTime();
        state_.timeCountdown = state_.recorderState == recorder::kTS ? kTimeIntervalTS : kTimeInterval;
    }

    Link& link_;
    LinkState& state_;
    MainDisplays& displays_;
    TransferHooks* hooks_;
    ReplyList replies_;
};

}  // namespace

void Link::RxTimerTimer() {
    ReceiveTick(*this, state_, displays_, hooks_).run();
    if (hooks_) hooks_->tickEnded();
}

}  // namespace tavrin::link
