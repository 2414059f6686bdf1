#include "cli/conversation.h"

#include <array>

#include "protocol/frames.h"

namespace tavrin::cli {

namespace {

using Group = protocol::ReplyKind::Group;

bool answers(const protocol::ReplyKind& reply, const Question& question) {
    switch (question.expect) {
    case Expect::Acknowledgement: return false;
    case Expect::Status: return reply.group == Group::Status;
    case Expect::DisplayMode: return reply.group == Group::DisplayMode;
    case Expect::Time: return reply.group == Group::Time;
    case Expect::Setting: return reply.group == Group::Setting && reply.setting == question.setting;
    }
    return false;
}

}  // namespace

Conversation::Conversation(platform::Port& port, Output& output, std::string portName,
                           std::chrono::milliseconds timeout)
    : port_(port), output_(output), portName_(std::move(portName)), timeout_(timeout) {}

Conversation::Sent Conversation::ask(std::string_view frames, std::span<const Question> questions,
                                     Clock::time_point now) {
    if (open_.empty()) lastAnswer_ = now;  // the time-out runs from here
    output_.trace(portName_, true, frames, now);
    const std::size_t taken = port_.write(protocol::bytesOf(frames));
    if (taken < frames.size()) return port_.state() == platform::PortState::Lost ? Sent::Lost : Sent::Stalled;
    open_.insert(open_.end(), questions.begin(), questions.end());
    return Sent::Ok;
}

bool Conversation::asking(Expect expect) const {
    for (const Question& q : open_)
        if (q.expect == expect) return true;
    return false;
}

std::vector<Event> Conversation::take(Clock::time_point now) {
    now_ = now;
    std::vector<Event> events;
    std::array<std::uint8_t, 256> buffer{};
    for (std::size_t n; (n = port_.readAvailable(buffer)) > 0;) {
        const std::string_view bytes(reinterpret_cast<const char*>(buffer.data()), n);
        takeBytes(bytes, events);
        if (n < buffer.size()) break;
    }
    if (!inLine_) flushTrace();  // noise between lines
    if (!open_.empty() && now >= deadline()) {
        for (const Question& q : open_) events.push_back({Event::Type::NoAnswer, q, {}, {}});
        open_.clear();
    }
    return events;
}

// Lines before an acknowledgement are handled before it, in the order they came.
void Conversation::takeBytes(std::string_view bytes, std::vector<Event>& events) {
    std::string lineBytes;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte == protocol::kACK || byte == protocol::kNAK) && !inLine_) {
            traceReceived(c, true);
            assemble(lineBytes, events);
            acknowledgement(byte == protocol::kACK, events);
            continue;
        }
        if (c == '@') {
            if (!inLine_) flushTrace();
            inLine_ = true;
        }
        if (c == protocol::kCR) inLine_ = false;
        traceReceived(c, c == protocol::kCR);
        lineBytes += c;
    }
    assemble(lineBytes, events);
}

void Conversation::traceReceived(char c, bool ends) {
    if (!output_.verbose()) return;
    if (traced_.empty()) tracedAt_ = now_;
    traced_ += c;
    if (ends) flushTrace();
}

void Conversation::flushTrace() {
    if (traced_.empty()) return;
    output_.trace(portName_, false, traced_, tracedAt_);
    traced_.clear();
}

// The line assembler takes reads of the window's size; a long read goes in as several.
void Conversation::assemble(std::string& bytes, std::vector<Event>& events) {
    const auto all = protocol::bytesOf(bytes);
    for (std::size_t at = 0; at < all.size(); at += protocol::LineAssembler::kReadSize) {
        const auto chunk = all.subspan(at, std::min(protocol::LineAssembler::kReadSize, all.size() - at));
        lines_.take(chunk, [&](std::span<const std::uint8_t> l) { line(l, events); });
    }
    bytes.clear();
}

void Conversation::line(std::span<const std::uint8_t> bytes, std::vector<Event>& events) {
    Event event{Event::Type::Answer,
                {},
                protocol::classify(bytes),
                std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size())};
    for (std::size_t i = 0; i < open_.size(); ++i) {
        if (answers(event.reply, open_[i])) {
            answered(i, std::move(event), events);
            return;
        }
    }
    event.type = Event::Type::Unsolicited;
    events.push_back(std::move(event));
}

void Conversation::acknowledgement(bool ack, std::vector<Event>& events) {
    Event event;
    event.reply.group = ack ? Group::Ack : Group::Nak;
    if (open_.empty()) {
        event.type = Event::Type::Unsolicited;
        events.push_back(event);
        return;
    }
    answered(0, event, events);
}

void Conversation::answered(std::size_t index, Event event, std::vector<Event>& events) {
    for (std::size_t i = 0; i < index; ++i) events.push_back({Event::Type::NoAnswer, open_[i], {}, {}});
    event.question = open_[index];
    events.push_back(std::move(event));
    open_.erase(open_.begin(), open_.begin() + static_cast<std::ptrdiff_t>(index) + 1);
    lastAnswer_ = now_;
}

}  // namespace tavrin::cli
