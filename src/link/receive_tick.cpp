// The 20 ms receive tick: drains the port, cuts reply lines out of the byte stream, follows
// the recorder's status and display mode, fills the main window's displays, echoes replies,
// hands preset replies and acknowledgements on, and sends the two automatic polls.

#include <algorithm>
#include <array>

#include "link/link.h"
#include "link/log_lines.h"
#include "protocol/frames.h"
#include "protocol/reply.h"

namespace tavrin::link {

namespace {

using protocol::DisplayMode;
using protocol::isTimeMode;
using protocol::RecorderState;
using protocol::ReplyKind;
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
    reply.kind = protocol::classify(line);
    const std::size_t kept = std::min(line.size(), kKeptLineLength);
    std::copy_n(line.begin(), kept, reply.line.begin());
    reply.line[kept] = protocol::kCR;
    reply.lineLength = static_cast<std::uint8_t>(kept + 1);
    return reply;
}

constexpr int kUnchanged = -1;

// What a status report does besides setting the recorder state. "ST" (stop) is handled on
// its own: it depends on the after-record flag.
struct StatusEffect {
    RecorderState state;
    int timeCountdown = kUnchanged;
    bool clearTime = false;
    bool afterRecord = false;  // the next stop report keeps the track number
};

constexpr StatusEffect kStatusEffects[] = {
    {.state = RecorderState::Rec, .timeCountdown = 0, .afterRecord = true},
    {.state = RecorderState::RecPause, .timeCountdown = 1},
    {.state = RecorderState::TS, .timeCountdown = PollSchedule::kFirstTimeRequestTS, .clearTime = true},
    {.state = RecorderState::Play, .timeCountdown = 1},
    {.state = RecorderState::SPlus, .timeCountdown = 1},
    {.state = RecorderState::SMinus, .timeCountdown = 1},
    {.state = RecorderState::FastForward, .timeCountdown = 1},
    {.state = RecorderState::Rewind, .timeCountdown = 1},
};

StatusEffect effectOf(RecorderState state) {
    for (const StatusEffect& effect : kStatusEffects)
        if (effect.state == state) return effect;
    return {.state = state};
}

// One run of the tick. The reply list is its own; everything else is the link's shared state,
// which nested ticks change while this one is suspended in a preset reply.
class ReceiveTick {
public:
    ReceiveTick(Link& link, LinkState& state, MainDisplays& displays, TransferHooks* hooks)
        : link_(link), state_(state), recorder_(state.recorder), displays_(displays), hooks_(hooks) {}

    void run() {
        intake();
        for (const Reply& reply : replies_.entries()) dispatch(reply);
        pollDisplayMode();
        pollTime();
        pollWhileDown();
    }

private:
    bool editorOpen() const { return hooks_ && hooks_->editorOpen(); }

    void intake() {
        std::array<std::uint8_t, protocol::LineAssembler::kReadSize> chunk{};
        const std::size_t n = link_.port().readAvailable(chunk);
        if (n == 0) return;
        const bool ack = chunk[0] == protocol::kACK;
        const bool nak = chunk[0] == protocol::kNAK;
        if (ack || nak) replies_.add(acknowledgementReply(ack));
        // The lines are cut out before the acknowledgement is handed on, so nothing the
        // handler does can touch this read's bytes.
        bool understood = ack || nak;
        state_.lines.take(std::span(chunk).first(n), [&](auto line) {
            const Reply reply = lineReply(line);
            understood = understood || reply.kind.group != Group::Unknown;
            replies_.add(reply);
        });
        // Noise on a line nobody answers on is no sign of the recorder.
        if (understood) link_.replyReceived();
        if (!ack && !nak) return;
        if (editorOpen()) hooks_->acknowledgement(ack);
        if (ack && recorder_.standbyPending) {
            recorder_.state = RecorderState::Standby;
            recorder_.standbyPending = false;
            displays_.setTimeText({});
        }
    }

    void dispatch(const Reply& reply) {
        if (recorder_.state == RecorderState::PresetTransfer) {
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
        recorder_.state = RecorderState::Stop;
        if (recorder_.afterRecord) {
            recorder_.afterRecord = false;
        } else {
            displays_.setTrackText({});
            state_.polls.timeCountdown = 1;
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
                recorder_.state = RecorderState::Standby;
                displays_.setTrackText({});
                displays_.setTimeText({});
            }
            return true;
        case Group::Status: status(kind); return true;
        case Group::DoorSensor:
        case Group::Card:
        case Group::Unknown: recorder_.state = RecorderState::Other; return true;
        case Group::TrackNumber: trackNumber(reply); return false;
        case Group::Time: time(reply); return false;
        case Group::DisplayMode: displayMode(kind); return false;
        case Group::Setting:
            if (kind.setting != protocol::PresetSetting::ID3)
                recorder_.state = RecorderState::Other;
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
        const protocol::StatusReport* report = protocol::statusReport(kind.codeText());
        if (!report || !report->state) return;  // "AB", "TP" and "EP" change nothing
        const StatusEffect effect = effectOf(*report->state);
        if (effect.afterRecord) recorder_.afterRecord = true;
        recorder_.state = effect.state;
        if (effect.timeCountdown != kUnchanged) state_.polls.timeCountdown = effect.timeCountdown;
        if (effect.clearTime) displays_.setTimeText({});
    }

    // bytes 4-6: the track number, three digits
    void trackNumber(const Reply& reply) {
        if (isTimeMode(recorder_.displayMode)) {
            const std::array<char, 3> digits{reply.at(4), reply.at(5), reply.at(6)};
            displays_.setTrackText({digits.data(), digits.size()});
        }
        displays_.setTimeText({});
    }

    // bytes 4-10: HHHMMSS, shown as 001:23:45
    void time(const Reply& reply) {
        if (!isTimeMode(recorder_.displayMode)) return;
        const std::array<char, 9> text{reply.at(4), reply.at(5), reply.at(6), ':',         reply.at(7),
                                       reply.at(8), ':',         reply.at(9), reply.at(10)};
        displays_.setTimeText({text.data(), text.size()});
    }

    void displayMode(const ReplyKind& kind) {
        const protocol::DisplayModeReport* report = protocol::displayModeReport(kind.codeText());
        if (!report || recorder_.displayMode == report->mode) return;
        if (!isTimeMode(report->mode)) displays_.setTimeText(kHyphens);
        displays_.setDispModeText(report->text);
        recorder_.displayMode = report->mode;
    }

    bool pollsAllowed() const { return state_.linkUp && !editorOpen() && !recorder_.standbyPending; }

    void pollDisplayMode() {
        int& countdown = state_.polls.displayModeCountdown;
        if (countdown > 0) {
            --countdown;
            return;
        }
        if (pollsAllowed() && recorder_.state != RecorderState::Standby) link_.requestDisplayMode();
        countdown = PollSchedule::kDisplayModeInterval;
    }

    void pollTime() {
        int& countdown = state_.polls.timeCountdown;
        if (countdown > 0) {
            --countdown;
            return;
        }
        if (!state_.linkUp) return;
        if (pollsAllowed() && protocol::timePolledIn(recorder_.state) && isTimeMode(recorder_.displayMode))
            link_.requestTime();
        countdown = recorder_.state == RecorderState::TS ? PollSchedule::kTimeIntervalTS
                                                         : PollSchedule::kTimeInterval;
    }

    // While the link is down on an open port, a quiet status request now and then finds out
    // when the recorder answers again.
    void pollWhileDown() {
        if (state_.linkUp || link_.port().state() != platform::PortState::Open) return;
        int& countdown = state_.polls.downStatusCountdown;
        if (countdown > 0) {
            --countdown;
            return;
        }
        link_.sendPoll(protocol::commandFrame(protocol::kStatusRequest));
        countdown = PollSchedule::kDownStatusInterval;
    }

    Link& link_;
    LinkState& state_;
    RecorderStatus& recorder_;
    MainDisplays& displays_;
    TransferHooks* hooks_;
    ReplyList replies_;
};

}  // namespace

void Link::RxTimerTimer() {
    port_.service();
    followPort();
    if (port_.writeTimedOut()) failedWriteReset(state_.linkUp);
    ReceiveTick(*this, state_, *displays_, hooks_).run();
    if (hooks_) hooks_->tickEnded();
}

}  // namespace tavrin::link
