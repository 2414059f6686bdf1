#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/output.h"
#include "platform/port.h"
#include "protocol/line_assembler.h"
#include "protocol/reply.h"

namespace tavrin::cli {

// What a frame sent to the recorder is answered by.
enum class Expect : std::uint8_t {
    Acknowledgement,  // a command: ACK or NAK
    Status,           // "@0?ST": a status line
    DisplayMode,      // "@0?TMOD": a display-mode line
    Time,             // "@0?TI": a time line
    Setting,          // a preset query: the line of its setting
};

struct Question {
    Expect expect = Expect::Acknowledgement;
    protocol::PresetSetting setting = protocol::PresetSetting::PresetNo;  // for Expect::Setting
};

struct Event {
    enum class Type : std::uint8_t {
        Answer,       // to `question`: an ACK, a NAK or a reply line
        NoAnswer,     // `question` will get none: its time ran out, or a later one was answered
        Unsolicited,  // a line (or a stray ACK or NAK) that answers no open question
    };
    Type type = Type::Answer;
    Question question;
    protocol::ReplyKind reply;  // group Ack or Nak, or the classified line
    std::string line;           // the line from its "@", without its CR (time and track digits)
};

// The exchange with one recorder: frames go out with the questions they ask; the bytes that
// come back are cut into acknowledgements and lines and matched to the open questions.
//
// The recorder sends each ACK or NAK as a write of its own and answers in the order it is
// asked. So an ACK or NAK byte anywhere outside a reply line answers the oldest open question
// (the window takes one only as the first byte of a read, which a read that joins two writes
// defeats), and a line that answers a later question means an earlier one gets no answer.
class Conversation {
public:
    Conversation(platform::Port& port, Output& output, std::string portName,
                 std::chrono::milliseconds timeout);

    enum class Sent : std::uint8_t { Ok, Lost, Stalled };
    // Writes the frames as one write; each asks one of the questions, in order.
    Sent ask(std::string_view frames, std::span<const Question> questions, Clock::time_point now);
    Sent ask(std::string_view frame, Question question, Clock::time_point now) {
        return ask(frame, std::span<const Question>(&question, 1), now);
    }

    // What has arrived, in order; then, once no answer has come for the time-out, every open
    // question as NoAnswer.
    std::vector<Event> take(Clock::time_point now);

    bool waiting() const { return !open_.empty(); }
    bool asking(Expect expect) const;
    // When the open questions run out of time.
    Clock::time_point deadline() const { return lastAnswer_ + timeout_; }

private:
    void takeBytes(std::string_view bytes, std::vector<Event>& events);
    void assemble(std::string& bytes, std::vector<Event>& events);
    void line(std::span<const std::uint8_t> bytes, std::vector<Event>& events);
    void acknowledgement(bool ack, std::vector<Event>& events);
    void answered(std::size_t index, Event event, std::vector<Event>& events);
    void traceReceived(char c, bool ends);
    void flushTrace();

    platform::Port& port_;
    Output& output_;
    std::string portName_;
    std::chrono::milliseconds timeout_;
    std::deque<Question> open_;  // oldest first
    Clock::time_point lastAnswer_;
    Clock::time_point now_;
    protocol::LineAssembler lines_;
    bool inLine_ = false;  // an "@" has come and its CR not yet
    // Received bytes are traced a line or an acknowledgement at a time, stamped with the time
    // their first byte was read: at 9600 bit/s they arrive a few at a time.
    std::string traced_;
    Clock::time_point tracedAt_;
};

}  // namespace tavrin::cli
