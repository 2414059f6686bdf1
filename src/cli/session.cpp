#include "cli/session.h"

#include <algorithm>
#include <ctime>

#include "cli/port_name.h"
#include "link/link_state.h"
#include "preset/preset_file.h"
#include "preset/preset_frames.h"
#include "protocol/frames.h"
#include "protocol/keys.h"
#include "protocol/setting_frames.h"

namespace tavrin::cli {

namespace {

using namespace std::chrono_literals;
using protocol::DisplayMode;
using protocol::PresetSetting;
using protocol::RecorderState;
using Group = protocol::ReplyKind::Group;
using Type = Event::Type;

constexpr std::string_view kNotStopped = "invalid(recieved status wasn't STOP)";

// The window's pace, in its 20 ms receive ticks: a countdown of n ticks fires every n + 1.
constexpr auto kTick = 20ms;
using link::PollSchedule;
constexpr auto kDisplayModePoll = (PollSchedule::kDisplayModeInterval + 1) * kTick;
constexpr auto kTimePoll = (PollSchedule::kTimeInterval + 1) * kTick;
constexpr auto kTimePollTS = (PollSchedule::kTimeIntervalTS + 1) * kTick;
constexpr auto kFirstTimePoll = PollSchedule::kFirstTimeRequest * kTick;
constexpr auto kFirstTimePollTS = PollSchedule::kFirstTimeRequestTS * kTick;
constexpr auto kSilentStatusPoll = PollSchedule::kDownStatusInterval * kTick;

std::string frame(std::string_view body) { return protocol::commandFrame(body); }

// A frame as a message shows it: without its CR.
std::string shown(std::string frame) {
    if (!frame.empty() && frame.back() == protocol::kCR) frame.pop_back();
    return frame;
}

std::string_view caption(PresetSetting s) { return protocol::info(s).caption; }

std::vector<std::string> captions(std::span<const PresetSetting> settings) {
    std::vector<std::string> names;
    for (const PresetSetting s : settings) names.emplace_back(caption(s));
    return names;
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
    return text;
}

std::string_view commandName(Command c) {
    switch (c) {
    case Command::Status: return "status";
    case Command::Key: return "key";
    case Command::Keys: return "keys";
    case Command::PresetRead: return "preset read";
    case Command::PresetWrite: return "preset write";
    case Command::PresetDiff: return "preset diff";
    case Command::PresetSelect: return "preset select";
    case Command::PresetDefault: return "preset default";
    case Command::Watch: return "watch";
    }
    return {};
}

std::string openFailure(const platform::OpenResult& result) {
    switch (result.error) {
    case platform::OpenError::Busy: return "busy: another program has it open";
    case platform::OpenError::NoSuchPort: return "no such port (" + result.reason + ")";
    default: return result.reason.empty() ? "cannot open it" : result.reason;
    }
}

// The seven digits HHHMMSS after "@0TI", shown as the window shows them: 000:12:34.
std::string timeText(std::string_view line) {
    const std::string_view d = line.substr(4, 7);
    if (d.size() < 7) return {};
    return std::string(d.substr(0, 3)) + ":" + std::string(d.substr(3, 2)) + ":" +
           std::string(d.substr(5, 2));
}

std::string localTimeNow() {
    const std::time_t now = std::time(nullptr);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", std::localtime(&now));
    return text;
}

void storeReply(preset::PresetStore& store, const protocol::ReplyKind& reply) {
    if (protocol::isId(reply.setting))
        store.setId(reply.setting, reply.idText());  // an invalid ID is dropped, as the editor drops it
    else if (reply.value != protocol::kNoValue)
        store.set(reply.setting, reply.value);
}

}  // namespace

Session::Session(PortAddress address, const Invocation& invocation, const PresetFile* file, Output& output)
    : address_(std::move(address)), invocation_(invocation), file_(file), output_(output) {
    plan();
}

void Session::plan() {
    const Invocation& inv = invocation_;
    plan_ = {Phase::Open};
    const auto presetFirst = [&] {
        plan_.push_back(Phase::CheckStop);
        if (inv.preset) plan_.push_back(Phase::Select);
    };
    switch (inv.command) {
    case Command::Status: plan_.push_back(Phase::Status); break;
    case Command::Key: plan_.push_back(Phase::Keys); break;
    case Command::Watch: plan_.push_back(Phase::Watch); break;
    case Command::Keys: break;
    case Command::PresetRead:
        presetFirst();
        plan_.push_back(Phase::Read);
        break;
    case Command::PresetWrite:
        presetFirst();
        if (!inv.backup.empty()) plan_.push_back(Phase::Backup);
        plan_.push_back(Phase::Write);
        if (inv.verify) plan_.push_back(Phase::Verify);
        break;
    case Command::PresetDiff:
        presetFirst();
        plan_.push_back(Phase::Diff);
        break;
    case Command::PresetSelect: plan_.insert(plan_.end(), {Phase::CheckStop, Phase::Select}); break;
    case Command::PresetDefault:
        presetFirst();
        plan_.push_back(Phase::Default);
        break;
    }
}

void Session::start(Clock::time_point now) {
    port_ = openPortNamed(address_);
    conversation_ = std::make_unique<Conversation>(*port_, output_, address_.given, invocation_.timeout);
    openDeadline_ = now + invocation_.timeout;
    opening(now);
}

// A network port may still be connecting; it has the time-out of an answer to get there.
void Session::opening(Clock::time_point now) {
    switch (port_->state()) {
    case platform::PortState::Open: next(now); return;
    case platform::PortState::Opening:
        if (now >= openDeadline_) fail(exit_status::kPort, "cannot open the port: no connection in time");
        return;
    case platform::PortState::Closed:
    case platform::PortState::Lost:
        fail(exit_status::kPort, "cannot open " + address_.name + ": " + openFailure(port_->openResult()));
        return;
    }
}

void Session::next(Clock::time_point now) {
    if (++planStep_ >= plan_.size()) {
        finish();
        return;
    }
    phase_ = plan_[planStep_];
    enter(now);
}

void Session::enter(Clock::time_point now) {
    switch (phase_) {
    case Phase::CheckStop: ask(frame(protocol::kStatusRequest), {Expect::Status}, now); break;
    case Phase::Select:
        ask(protocol::settingFrame(PresetSetting::PresetNo, *invocation_.preset - 1),
            {Expect::Acknowledgement}, now);
        break;
    case Phase::Backup:
    case Phase::Read:
    case Phase::Diff:
    case Phase::Verify: startRead(now); break;
    case Phase::Write: sendNextSetting(now); break;
    case Phase::Default: ask(frame(protocol::kDefaultCommand), {Expect::Acknowledgement}, now); break;
    case Phase::Keys: pressNextKey(now); break;
    case Phase::Status: {
        const std::string frames = frame(protocol::kStatusRequest) + frame(protocol::kDisplayModeRequest) +
                                   frame(protocol::kTimeRequest);
        const Question questions[] = {{Expect::Status}, {Expect::DisplayMode}, {Expect::Time}};
        ask(frames, questions, now);
        break;
    }
    case Phase::Watch: startWatch(now); break;
    case Phase::Open:
    case Phase::Done: break;
    }
}

void Session::ask(std::string_view frames, std::span<const Question> questions, Clock::time_point now) {
    switch (conversation_->ask(frames, questions, now)) {
    case Conversation::Sent::Ok: outstanding_ += questions.size(); return;
    case Conversation::Sent::Lost: fail(exit_status::kPort, "the port was lost"); return;
    case Conversation::Sent::Stalled:
        fail(exit_status::kNoAnswer, "the recorder takes no bytes (is CTS held low?)");
        return;
    }
}

void Session::step(Clock::time_point now) {
    if (done()) return;
    port_->service();
    if (phase_ == Phase::Open) {
        opening(now);
        return;
    }
    if (port_->state() == platform::PortState::Lost) {
        fail(exit_status::kPort, "the port was lost");
        return;
    }
    if (port_->writeTimedOut()) {
        fail(exit_status::kNoAnswer, "the recorder took no bytes in time (is CTS held low?)");
        return;
    }
    for (const Event& event : conversation_->take(now)) {
        handle(event, now);
        if (done()) return;
    }
    if (phase_ == Phase::Watch) watchPolls(now);
}

void Session::handle(const Event& event, Clock::time_point now) {
    if (event.type != Type::Unsolicited) --outstanding_;
    switch (phase_) {
    case Phase::CheckStop: checkStop(event, now); break;
    case Phase::Select: select(event, now); break;
    case Phase::Backup:
    case Phase::Read:
    case Phase::Diff:
    case Phase::Verify: readReply(event, now); break;
    case Phase::Write: written(event, now); break;
    case Phase::Default: defaulted(event, now); break;
    case Phase::Keys: pressed(event, now); break;
    case Phase::Status: statusAnswer(event, now); break;
    case Phase::Watch: watchEvent(event, now); break;
    case Phase::Open:
    case Phase::Done: break;
    }
}

void Session::checkStop(const Event& event, Clock::time_point now) {
    if (event.type == Type::Unsolicited) return;
    if (event.type == Type::NoAnswer) return fail(exit_status::kNoAnswer, "no answer to @0?ST");
    if (event.reply.isStatus("ST")) return next(now);
    std::string reported = event.reply.group == Group::Ack   ? "ACK"
                           : event.reply.group == Group::Nak ? "NAK"
                                                             : "";
    if (const protocol::StatusReport* r = protocol::statusReport(event.reply.codeText());
        r && event.reply.group == Group::Status)
        reported = r->name;
    refuse(std::string(kNotStopped) + " (" + reported + ")");
}

void Session::select(const Event& event, Clock::time_point now) {
    if (event.type == Type::Unsolicited) return;
    const std::string what = "the preset select " +
                             shown(protocol::settingFrame(PresetSetting::PresetNo, *invocation_.preset - 1));
    if (event.type == Type::NoAnswer) return fail(exit_status::kNoAnswer, "no answer to " + what);
    if (event.reply.group != Group::Ack) return refuse(what + " was refused (NAK)");
    presetNo_ = invocation_.preset;
    if (invocation_.command == Command::PresetSelect)
        output_.line(address_.given, "preset " + std::to_string(*presetNo_) + " selected");
    next(now);
}

// The 26 queries as one block, as the editor sends them, into a record with the reset values
// the editor starts from: its Save then writes the same bytes for the same replies.
void Session::startRead(Clock::time_point now) {
    readout_ = Readout{};
    readout_.store.reset();
    std::vector<Question> questions;
    for (const protocol::SettingInfo& s : protocol::kSettings)
        questions.push_back({Expect::Setting, s.setting});
    ask(protocol::presetQueryBlock(), questions, now);
}

void Session::readReply(const Event& event, Clock::time_point now) {
    if (event.type == Type::Unsolicited) return;
    if (event.type == Type::NoAnswer)
        readout_.unanswered.push_back(event.question.setting);
    else if (event.reply.group == Group::Setting)
        storeReply(readout_.store, event.reply);
    else
        readout_.refused.push_back(event.question.setting);  // a NAK (or an ACK) instead of a value
    if (outstanding_ == 0) readDone(now);
}

void Session::readDone(Clock::time_point now) {
    const preset::PresetStore& store = readout_.store;
    if (store.isKnown(PresetSetting::PresetNo)) presetNo_ = store.get(PresetSetting::PresetNo) + 1;
    const std::string nothingWritten = phase_ == Phase::Backup ? "; nothing was written" : "";
    if (!readout_.unanswered.empty())
        return fail(exit_status::kNoAnswer, what() + ": no answer to the queries of " +
                                                joined(captions(readout_.unanswered)) + nothingWritten);
    if (!readout_.refused.empty())
        return refuse(what() + ": the recorder refused the queries of " + joined(captions(readout_.refused)) +
                      nothingWritten);
    const bool savesAFile = phase_ == Phase::Read || phase_ == Phase::Backup;
    for (const protocol::SettingInfo& s : protocol::kSettings)
        if (savesAFile && !protocol::isId(s.setting) && !store.isKnown(s.setting))
            output_.error(address_.given, std::string(s.caption) +
                                              ": the recorder reported no value; the file holds " +
                                              valueText(store, s.setting));
    switch (phase_) {
    case Phase::Read: saveRead(); break;
    case Phase::Backup: saveBackup(now); return;
    case Phase::Diff: compare(false); break;
    case Phase::Verify: compare(true); break;
    default: break;
    }
    if (!done()) next(now);
}

void Session::saveRead() {
    const std::string text = preset::presetFileText(readout_.store);
    JsonObject settings;
    for (int i = protocol::index(PresetSetting::InputSelect); i < protocol::kSettingCount; ++i) {
        const PresetSetting s = protocol::settingAt(i);
        const bool known = protocol::isId(s) || readout_.store.isKnown(s);
        settings.add(caption(s), known ? valueText(readout_.store, s) : "(none)");
    }
    result_.add("settings", settings);
    if (invocation_.output.empty()) {
        if (output_.json())
            result_.add("text", text);
        else
            output_.bytes(text);
        return;
    }
    const std::string path = fileNameFor(invocation_.output, address_.given);
    if (const preset::FileResult r = preset::writePresetFile(path, text); !r.ok)
        return fail(exit_status::kFile, "cannot save the preset: " + r.error);
    result_.add("file", path);
    output_.line(address_.given,
                 "preset " + (presetNo_ ? std::to_string(*presetNo_) + " " : "") + "saved to " + path);
}

void Session::saveBackup(Clock::time_point now) {
    const std::string path = fileNameFor(invocation_.backup, address_.given);
    const preset::FileResult r = preset::writePresetFile(path, preset::presetFileText(readout_.store));
    if (!r.ok)
        return fail(exit_status::kFile, "cannot save the backup: " + r.error + "; nothing was written");
    result_.add("backup", path);
    output_.line(address_.given, "backup of preset " + (presetNo_ ? std::to_string(*presetNo_) + " " : "") +
                                     "saved to " + path);
    next(now);
}

void Session::compare(bool verifying) {
    const std::vector<Difference> found = differences(readout_.store, *file_);
    std::vector<JsonObject> objects;
    for (const Difference& d : found) {
        output_.line(address_.given, (verifying ? "verify: " : "") + differenceLine(d));
        objects.push_back(
            JsonObject().add("setting", caption(d.setting)).add("recorder", d.recorder).add("file", d.file));
    }
    if (verifying && found.empty())
        output_.line(address_.given, "verify: the recorder holds every setting of the file");
    result_.add("differences", objects);
    if (!found.empty()) worsen(exit_status::kRefused);
}

// Each setting the file holds, in write order, each once the last one's ACK or NAK has come.
void Session::sendNextSetting(Clock::time_point now) {
    const std::vector<PresetSetting>& settings = file_->settings;
    if (written_ == settings.size()) {
        std::string summary = std::to_string(acknowledged_.size()) + " of " +
                              std::to_string(settings.size()) +
                              (settings.size() == 1 ? " setting" : " settings") + " written";
        if (!refused_.empty()) summary += "; refused: " + joined(captions(refused_));
        output_.line(address_.given, summary);
        if (!refused_.empty() && !acknowledged_.empty())
            output_.error(address_.given, "acknowledged (ACK): " + joined(captions(acknowledged_)));
        return next(now);
    }
    ask(preset::settingFrame(file_->values, settings[written_]), {Expect::Acknowledgement}, now);
}

void Session::written(const Event& event, Clock::time_point now) {
    if (event.type == Type::Unsolicited) return;
    const PresetSetting s = file_->settings[written_];
    if (event.type == Type::NoAnswer)
        return fail(exit_status::kNoAnswer, "no answer after " + std::string(caption(s)));
    if (event.reply.group == Group::Ack) {
        acknowledged_.push_back(s);
    } else {
        refused_.push_back(s);
        output_.error(address_.given, std::string(caption(s)) + ": refused (NAK)");
        worsen(exit_status::kRefused);
    }
    ++written_;
    sendNextSetting(now);
}

void Session::defaulted(const Event& event, Clock::time_point now) {
    if (event.type == Type::Unsolicited) return;
    if (event.type == Type::NoAnswer) return fail(exit_status::kNoAnswer, "no answer to @0DEFL");
    if (event.reply.group != Group::Ack) return refuse("the default command @0DEFL was refused (NAK)");
    output_.line(address_.given, "preset " + (presetNo_ ? std::to_string(*presetNo_) + " " : "") +
                                     "set to the recorder's defaults");
    next(now);
}

// Each key as the window's button sends it, once the last one's ACK has come.
void Session::pressNextKey(Clock::time_point now) {
    if (keysPressed_ == invocation_.keys.size()) return next(now);
    ask(frame(protocol::keyCommand(invocation_.keys[keysPressed_]).body), {Expect::Acknowledgement}, now);
}

void Session::pressed(const Event& event, Clock::time_point now) {
    if (event.type == Type::Unsolicited) return;
    const std::string name(protocol::keyCommand(invocation_.keys[keysPressed_]).commandLineName);
    if (event.type == Type::NoAnswer) return fail(exit_status::kNoAnswer, "no answer to key " + name);
    const bool ack = event.reply.group == Group::Ack;
    output_.line(address_.given, name + ": " + (ack ? "ACK" : "NAK"));
    keyResults_.push_back(JsonObject().add("key", name).add("answer", ack ? "ACK" : "NAK"));
    ++keysPressed_;
    if (!ack) return refuse("key " + name + " was refused (NAK)");
    pressNextKey(now);
}

void Session::statusAnswer(const Event& event, Clock::time_point now) {
    if (event.type == Type::NoAnswer) {
        const std::string_view request = event.question.expect == Expect::Status ? protocol::kStatusRequest
                                         : event.question.expect == Expect::DisplayMode
                                             ? protocol::kDisplayModeRequest
                                             : protocol::kTimeRequest;
        return fail(exit_status::kNoAnswer, "no answer to " + shown(frame(request)));
    }
    const protocol::ReplyKind& reply = event.reply;
    if (reply.group == Group::Ack || reply.group == Group::Nak) {
        if (event.type == Type::Answer) return refuse("the recorder refused a status request (NAK)");
    } else if (reply.group == Group::Status) {
        if (const protocol::StatusReport* r = protocol::statusReport(reply.codeText())) stateName_ = r->name;
    } else if (reply.group == Group::DisplayMode) {
        if (const protocol::DisplayModeReport* r = protocol::displayModeReport(reply.codeText())) {
            displayMode_ = r->mode;
            displayText_ = r->text;
        }
    } else if (reply.group == Group::Time) {
        timeText_ = timeText(event.line);
    } else if (reply.group == Group::TrackNumber) {
        trackText_ = event.line.substr(4, 3);
    }
    if (outstanding_ > 0) return;
    reportStatus();
    next(now);
}

void Session::reportStatus() {
    const std::string time = protocol::isTimeMode(displayMode_) ? timeText_ : std::string();
    output_.line(address_.given, "state: " + stateName_);
    output_.line(address_.given, "display: " + displayText_);
    result_.add("state", stateName_).add("display_mode", displayText_);
    if (!time.empty()) {
        output_.line(address_.given, "time: " + time);
        result_.add("time", time);
    }
    if (!trackText_.empty()) {
        output_.line(address_.given, "track: " + trackText_);
        result_.add("track", trackText_);
    }
}

// As the main window follows the recorder after opening its port: a status request, then the
// display-mode poll and, in a time mode, the time poll, at the window's pace.
void Session::startWatch(Clock::time_point now) {
    ask(frame(protocol::kStatusRequest), {Expect::Status}, now);
    modePollAt_ = now + kDisplayModePoll;
    timePollAt_ = now + kFirstTimePoll;
    if (invocation_.seconds) watchEndsAt_ = now + *invocation_.seconds;
}

void Session::watchPolls(Clock::time_point now) {
    if (now >= watchEndsAt_) return next(now);
    // A recorder that stopped answering is asked for its status now and then, as the window
    // asks while its link is down, so that the watch notices when it is back.
    if (silent_ && now >= statusPollAt_ && !conversation_->waiting()) {
        statusPollAt_ = now + kSilentStatusPoll;
        ask(frame(protocol::kStatusRequest), {Expect::Status}, now);
        if (done()) return;
    }
    const RecorderState state = state_.value_or(RecorderState::Standby);
    if (now >= modePollAt_) {
        modePollAt_ = now + kDisplayModePoll;
        if (state != RecorderState::Standby && !conversation_->asking(Expect::DisplayMode))
            ask(frame(protocol::kDisplayModeRequest), {Expect::DisplayMode}, now);
    }
    if (done() || now < timePollAt_) return;
    timePollAt_ = now + (state == RecorderState::TS ? kTimePollTS : kTimePoll);
    if (protocol::timePolledIn(state) && protocol::isTimeMode(displayMode_) &&
        !conversation_->asking(Expect::Time))
        ask(frame(protocol::kTimeRequest), {Expect::Time}, now);
}

void Session::watchEvent(const Event& event, Clock::time_point now) {
    if (event.type == Type::NoAnswer) {
        if (!silent_) {
            output_.error(address_.given, "the recorder does not answer");
            statusPollAt_ = now;
        }
        silent_ = true;
        worsen(exit_status::kNoAnswer);
        return;
    }
    silent_ = false;
    const protocol::ReplyKind& reply = event.reply;
    const bool timeMode = protocol::isTimeMode(displayMode_);
    switch (reply.group) {
    case Group::Status:
        if (const protocol::StatusReport* r = protocol::statusReport(reply.codeText())) {
            if (r->state && r->state != state_) {
                state_ = r->state;
                // A transport that starts shows its time at once; after "TS" the window waits.
                timePollAt_ = now + (state_ == RecorderState::TS ? kFirstTimePollTS : 0ms);
            }
            if (stateName_ != r->name) change("state", stateName_ = r->name);
        }
        break;
    case Group::PowerMode:
        if (reply.code[0] == '1') {
            state_ = RecorderState::Standby;
            if (stateName_ != "Standby") change("state", stateName_ = "Standby");
        }
        break;
    case Group::DisplayMode:
        if (const protocol::DisplayModeReport* r = protocol::displayModeReport(reply.codeText());
            r && r->mode != displayMode_) {
            displayMode_ = r->mode;
            change("display", displayText_ = r->text);
            if (!protocol::isTimeMode(displayMode_)) timeText_.clear();
        }
        break;
    case Group::Time:
        if (std::string t = timeText(event.line); timeMode && t != timeText_) change("time", timeText_ = t);
        break;
    case Group::TrackNumber:
        if (std::string t = event.line.substr(4, 3); timeMode && t != trackText_)
            change("track", trackText_ = t);
        break;
    case Group::Card:
        if (std::string c(reply.codeText()); c != cardText_) change("card", cardText_ = c);
        break;
    case Group::DoorSensor:
        if (std::string d(1, reply.code[0]); d != doorText_) change("door", doorText_ = d);
        break;
    default: break;
    }
}

void Session::change(std::string_view what, const std::string& value) {
    if (output_.json())
        output_.object(JsonObject().add("port", address_.given).add("at", localTimeNow()).add(what, value));
    else
        output_.line(address_.given, std::string(what) + ": " + value);
}

Clock::time_point Session::wakeAt() const {
    if (done()) return Clock::time_point::max();
    if (phase_ == Phase::Open) return openDeadline_;
    Clock::time_point at = conversation_->waiting() ? conversation_->deadline() : Clock::time_point::max();
    if (phase_ == Phase::Watch) {
        at = std::min({at, modePollAt_, timePollAt_, watchEndsAt_});
        if (silent_) at = std::min(at, statusPollAt_);
    }
    return at;
}

platform::Port* Session::port() const { return done() ? nullptr : port_.get(); }

void Session::interrupt(int signal) {
    if (done()) return;
    if (phase_ == Phase::Watch) return finish();  // the way a watch ends
    worsen(exit_status::kInterrupted + signal);
    const std::string message = "interrupted during " + what();
    output_.error(address_.given, message);
    result_.add("error", message);
    reportPartial();
    finish();
}

void Session::fail(int status, const std::string& message) {
    worsen(status);
    output_.error(address_.given, message);
    result_.add("error", message);
    reportPartial();
    finish();
}

// What a write that stops early did and did not do: nothing before its first setting, and
// from then on the settings that got an ACK, a NAK or no answer.
void Session::reportPartial() {
    if (invocation_.command == Command::PresetWrite && phase_ != Phase::Verify && phase_ != Phase::Done) {
        if (phase_ != Phase::Write) {
            if (phase_ != Phase::Backup) output_.error(address_.given, "nothing was written");
            return;
        }
        const std::span<const PresetSetting> unanswered = std::span(file_->settings).subspan(written_);
        if (!acknowledged_.empty())
            output_.error(address_.given, "acknowledged (ACK): " + joined(captions(acknowledged_)));
        if (!refused_.empty()) output_.error(address_.given, "refused (NAK): " + joined(captions(refused_)));
        if (!unanswered.empty())
            output_.error(address_.given, "not acknowledged: " + joined(captions(unanswered)));
    }
    if (invocation_.command == Command::Key && phase_ == Phase::Keys &&
        keysPressed_ < invocation_.keys.size()) {
        std::vector<std::string> rest;
        for (std::size_t i = keysPressed_; i < invocation_.keys.size(); ++i)
            rest.emplace_back(protocol::keyCommand(invocation_.keys[i]).commandLineName);
        output_.error(address_.given, "not acknowledged: " + joined(rest));
    }
}

std::string Session::what() const {
    switch (phase_) {
    case Phase::Open: return "the opening of the port";
    case Phase::CheckStop: return "the status request";
    case Phase::Select: return "the preset select";
    case Phase::Backup: return "the backup read";
    case Phase::Write: return "the write";
    case Phase::Verify: return "the verify read";
    case Phase::Read:
    case Phase::Diff: return "the preset read";
    case Phase::Default: return "the default command";
    case Phase::Keys: return "the keys";
    case Phase::Status: return "the status requests";
    case Phase::Watch: return "the watch";
    case Phase::Done: break;
    }
    return "the command";
}

void Session::finish() {
    if (phase_ != Phase::Done) {
        phase_ = Phase::Done;
        if (port_) port_->close();
        if (!output_.json()) return;
        JsonObject object;
        object.add("port", address_.given).add("command", commandName(invocation_.command));
        if (presetNo_) object.add("preset", *presetNo_);
        object.append(result_);
        if (invocation_.command == Command::Key) object.add("keys", keyResults_);
        if (invocation_.command == Command::PresetWrite) {
            object.add("acknowledged", captions(acknowledged_))
                .add("refused", captions(refused_))
                .add("not_acknowledged", captions(std::span(file_->settings).subspan(written_)));
        }
        object.add("status", status_);
        output_.object(object);
    }
}

}  // namespace tavrin::cli
