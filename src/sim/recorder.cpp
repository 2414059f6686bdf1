#include "sim/recorder.h"

#include <algorithm>
#include <optional>

#include "protocol/frames.h"

namespace tavrin::sim {

namespace {

using protocol::Key;

// Longer than any command; an "@" followed by more without a CR is line garbage.
constexpr std::size_t kLongestFrame = 32;
constexpr std::string_view kPowerOnReport = "PW00";

const std::string kAck(1, static_cast<char>(protocol::kACK));
const std::string kNak(1, static_cast<char>(protocol::kNAK));
constexpr char kStrayByte = 0x7f;  // as a glitch on the line leaves one

// The remote-mode reply that stands for no value ("RCPW").
std::string_view valuelessRemoteReply() {
    for (const protocol::Code& code : protocol::info(protocol::PresetSetting::RemoteMode).codes)
        if (code.value == protocol::kNoValue) return code.reply;
    return {};
}

const protocol::KeyCommand* findKey(std::string_view body) {
    const auto it = std::find_if(protocol::kKeyCommands.begin(), protocol::kKeyCommands.end(),
                                 [body](const protocol::KeyCommand& k) { return k.body == body; });
    return it == protocol::kKeyCommands.end() ? nullptr : &*it;
}

}  // namespace

Recorder::Recorder(TimePoint now) : deck_(now) {}

std::vector<std::string> Recorder::advance(TimePoint now) {
    std::vector<std::string> out;
    const std::vector<std::string> reports = deck_.advance(now);
    if (poweredOn_) report(reports, out);
    return out;
}

std::vector<std::string> Recorder::receive(std::string_view bytes, TimePoint now) {
    std::vector<std::string> out = advance(now);
    for (const char c : bytes) {
        if (c == '@') {
            frame_.assign(1, c);
            inFrame_ = true;
        } else if (!inFrame_) {
            continue;  // noise between frames
        } else if (c == protocol::kCR) {
            inFrame_ = false;
            handleFrame(frame_, out);
        } else if (frame_.size() < kLongestFrame) {
            frame_ += c;
        } else {
            inFrame_ = false;
            if (poweredOn_) out.push_back(kNak);
        }
    }
    return out;
}

void Recorder::handleFrame(std::string_view frame, std::vector<std::string>& out) {
    const std::string_view body = frame.size() >= 2 && frame[1] == '0' ? frame.substr(2) : std::string_view{};
    const std::size_t answerAt = out.size();
    answerFrame(body, out);
    if (out.size() > answerAt && faults_.strayBeforeAnswer.count(std::string(body)) != 0)
        out[answerAt].insert(0, 1, kStrayByte);
}

void Recorder::answerFrame(std::string_view body, std::vector<std::string>& out) {
    if (!poweredOn_ && body != protocol::keyCommand(Key::PowerOn).body) return;
    if (faults_.ignoredQueries.count(std::string(body)) != 0) return;
    ++answered_;
    if ((faults_.nakEvery > 0 && answered_ % faults_.nakEvery == 0) ||
        faults_.refusedCommands.count(std::string(body)) != 0) {
        out.push_back(kNak);
        return;
    }
    if (body.empty()) {
        out.push_back(kNak);
    } else if (handleKey(body, out) || handleQuery(body, out)) {
        return;
    } else if (body == "DEFL") {
        presets_.restoreFactory();
        out.push_back(kAck);
    } else {
        out.push_back(presets_.apply(body) ? kAck : kNak);
    }
}

bool Recorder::handleKey(std::string_view body, std::vector<std::string>& out) {
    const protocol::KeyCommand* key = findKey(body);
    if (key == nullptr) return false;
    out.push_back(kAck);
    switch (key->key) {
    case Key::PowerOn:
        poweredOn_ = true;
        report({std::string(kPowerOnReport), "ST" + std::string(deck_.statusCode())}, out);
        break;
    case Key::Standby:
        poweredOn_ = false;
        deck_.powerOff();
        break;
    default: report(deck_.press(key->key), out); break;
    }
    return true;
}

bool Recorder::handleQuery(std::string_view body, std::vector<std::string>& out) {
    if (body.front() != '?') return false;
    const std::string_view query = body.substr(1);
    std::optional<std::string> reply;
    if (query == protocol::kStatusRequest.substr(1)) reply = "ST" + std::string(deck_.statusCode());
    else if (query == protocol::kTimeRequest.substr(1)) reply = "TI" + deck_.timeDigits();
    else if (query == protocol::kDisplayModeRequest.substr(1)) reply = "TM" + std::string(deck_.displayMode());
    else if (query == protocol::info(protocol::PresetSetting::RemoteMode).query && faults_.answerRcpw)
        reply = std::string(valuelessRemoteReply());
    else reply = presets_.answer(query);
    if (!reply) return false;
    report({*reply}, out);
    return true;
}

void Recorder::report(const std::vector<std::string>& bodies, std::vector<std::string>& out) const {
    for (const std::string& body : bodies) out.push_back(protocol::commandFrame(body));
}

}  // namespace tavrin::sim
