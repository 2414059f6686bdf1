#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/conversation.h"
#include "cli/output.h"
#include "cli/preset_files.h"
#include "preset/preset_record.h"
#include "protocol/status.h"

namespace tavrin::cli {

// The exit statuses; with several ports the highest wins.
namespace exit_status {
inline constexpr int kOk = 0;
inline constexpr int kRefused = 1;  // a NAK, a recorder not stopped, differences found
inline constexpr int kUsage = 2;
inline constexpr int kNoAnswer = 3;
inline constexpr int kPort = 4;  // not opened, or lost
inline constexpr int kFile = 5;
inline constexpr int kInterrupted = 128;  // plus the signal's number
}  // namespace exit_status

// The command on one recorder: a state machine driven by the bytes its port delivers and by
// the clock. It runs through the phases of its command's plan, each of which sends its frames
// and goes on when their answers have come:
//
//   status         Open -> Status
//   key            Open -> Keys
//   watch          Open -> Watch
//   preset read    Open -> CheckStop [-> Select] -> Read
//   preset write   Open -> CheckStop [-> Select] [-> Backup] -> Write [-> Verify]
//   preset diff    Open -> CheckStop [-> Select] -> Diff
//   preset select  Open -> CheckStop -> Select
//   preset default Open -> CheckStop [-> Select] -> Default
//
// A refusal, a time-out, a lost port or an interruption ends the plan where it stands and
// reports what was done and what was not. The fleet loop owns the waiting: it calls step()
// after each wait, and waits no longer than wakeAt().
class Session {
public:
    Session(PortAddress address, const Invocation& invocation, const PresetFile* file, Output& output);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void start(Clock::time_point now);
    void step(Clock::time_point now);
    void interrupt(int signal);

    bool done() const { return phase_ == Phase::Done; }
    int status() const { return status_; }
    Clock::time_point wakeAt() const;
    // The open port to wait on; nullptr when there is none.
    platform::Port* port() const;

private:
    enum class Phase {
        Open,
        CheckStop,
        Select,
        Backup,
        Write,
        Verify,
        Read,
        Diff,
        Default,
        Keys,
        Status,
        Watch,
        Done
    };

    struct Readout {  // one whole preset read
        preset::PresetStore store;
        std::vector<protocol::PresetSetting> refused, unanswered;
    };

    void plan();
    void next(Clock::time_point now);
    void enter(Clock::time_point now);
    void ask(std::string_view frames, std::span<const Question> questions, Clock::time_point now);
    void ask(std::string_view frame, Question question, Clock::time_point now) {
        ask(frame, std::span<const Question>(&question, 1), now);
    }
    void handle(const Event& event, Clock::time_point now);
    void fail(int status, const std::string& message);
    void refuse(const std::string& message) { fail(exit_status::kRefused, message); }
    void worsen(int status) { status_ = std::max(status_, status); }
    void finish();
    void reportPartial();
    std::string what() const;

    void opening(Clock::time_point now);
    void checkStop(const Event& event, Clock::time_point now);
    void select(const Event& event, Clock::time_point now);
    void startRead(Clock::time_point now);
    void readReply(const Event& event, Clock::time_point now);
    void readDone(Clock::time_point now);
    void saveRead();
    void saveBackup(Clock::time_point now);
    void compare(bool verifying);
    void sendNextSetting(Clock::time_point now);
    void written(const Event& event, Clock::time_point now);
    void defaulted(const Event& event, Clock::time_point now);
    void pressNextKey(Clock::time_point now);
    void pressed(const Event& event, Clock::time_point now);
    void statusAnswer(const Event& event, Clock::time_point now);
    void reportStatus();

    void startWatch(Clock::time_point now);
    void watchEvent(const Event& event, Clock::time_point now);
    void watchPolls(Clock::time_point now);
    void change(std::string_view what, const std::string& value);

    PortAddress address_;
    const Invocation& invocation_;
    const PresetFile* file_;
    Output& output_;
    std::unique_ptr<platform::Port> port_;
    std::unique_ptr<Conversation> conversation_;
    std::vector<Phase> plan_;
    std::size_t planStep_ = 0;
    Phase phase_ = Phase::Open;
    int status_ = exit_status::kOk;
    JsonObject result_;
    Clock::time_point openDeadline_;

    Readout readout_;
    std::optional<int> presetNo_;  // 1 to 3, once known
    std::size_t written_ = 0;      // settings of the file sent and answered
    std::vector<protocol::PresetSetting> acknowledged_, refused_;
    std::size_t keysPressed_ = 0;
    std::size_t outstanding_ = 0;  // questions asked and not yet answered or given up
    std::vector<JsonObject> keyResults_;

    // What the recorder reports: status and watch.
    std::optional<protocol::RecorderState> state_;
    std::string stateName_, displayText_, timeText_, trackText_, cardText_, doorText_;
    protocol::DisplayMode displayMode_ = protocol::DisplayMode::None;
    Clock::time_point modePollAt_, timePollAt_, statusPollAt_, watchEndsAt_ = Clock::time_point::max();
    bool silent_ = false;  // watch: a poll went unanswered and nothing has come since
};

}  // namespace tavrin::cli
