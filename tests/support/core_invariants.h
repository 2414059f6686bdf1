#pragma once

// Checks that hold after every step the core takes, whatever the recorder sent: the preset
// record holds only values of its code tables, the message log holds only the line forms
// the program writes, the main window's displays show only what the replies allow. Header
// only and free of GoogleTest, so that the fuzz targets use the same checks as the soak test.

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "link/link.h"
#include "link/log_lines.h"
#include "preset/preset_record.h"
#include "protocol/frames.h"
#include "protocol/keys.h"
#include "protocol/setting_codes.h"

namespace tavrin::test {

// Empty when every setting holds a value of its table and every ID is valid or the reset
// value of six blanks; otherwise names the first setting that does not.
inline std::string recordViolation(const preset::PresetStore& store) {
    using protocol::PresetSetting;
    for (const protocol::SettingInfo& setting : protocol::kSettings) {
        if (setting.kind == protocol::Kind::Id) {
            const std::string_view id = store.id(setting.setting);
            if (id.size() != protocol::kIdLength || (!preset::IsValidId(id) && id != "      "))
                return std::string(setting.name) + " holds an ID that no setter stores";
            continue;
        }
        const int value = store.get(setting.setting);
        const bool inTable = value != protocol::kNoValue &&
                             std::any_of(setting.codes.begin(), setting.codes.end(),
                                         [value](const protocol::Code& c) { return c.value == value; });
        if (!inTable) return std::string(setting.name) + " holds " + std::to_string(value);
    }
    const preset::PresetRecord& r = store.record();
    if (r.ID1.back() != '\0' || r.ID2.back() != '\0' || r.ID3.back() != '\0')
        return "an ID lost its terminator";
    return {};
}

namespace detail {

inline bool isDigits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

inline bool isTimeStamp(std::string_view s) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return s.size() == 8 && digit(s[0]) && digit(s[1]) && s[2] == ':' && digit(s[3]) && digit(s[4]) &&
           s[5] == ':' && digit(s[6]) && digit(s[7]);
}

// A logged command: one of the program's log texts, blanks up to column 26, HH:MM:SS and five
// blanks, 39 characters in all.
inline bool isCommandLine(std::string_view line) {
    constexpr std::size_t kStampColumn = 26;
    if (line.size() != 39 || !isTimeStamp(line.substr(kStampColumn, 8)) || line.substr(34) != "     ")
        return false;
    auto matches = [line](std::string_view body, std::string_view name) {
        const std::string text = link::commandLogText(body, name);
        const std::string_view padding = line.substr(text.size(), kStampColumn - text.size());
        return line.starts_with(text) && padding.find_first_not_of(' ') == std::string_view::npos;
    };
    for (const protocol::KeyCommand& key : protocol::kKeyCommands)
        if (matches(key.body, key.name)) return true;
    return matches(protocol::kStatusRequest, protocol::kStatusRequestName) ||
           matches(protocol::kTimeRequest, protocol::kTimeRequestName);
}

// "<-" and an acknowledgement's text, or a reply line from its "@" with its CR shown as "c";
// the line is kept up to the 20 characters the classifier reads.
inline bool isEcho(std::string_view line) {
    if (line == "<-ACK" || line == "<-invalid(NAK returned)") return true;
    if (line.size() < 4 || line.size() > 23 || line.substr(0, 3) != "<-@" || line.back() != 'c') return false;
    const std::string_view body = line.substr(2, line.size() - 3);
    return body.find(protocol::kCR) == std::string_view::npos && body.find('\0') == std::string_view::npos;
}

inline bool isPortError(std::string_view line) {
    constexpr std::string_view kLead = "com port", kTail = " error";
    if (line.size() <= kLead.size() + kTail.size() || line.substr(0, kLead.size()) != kLead ||
        line.substr(line.size() - kTail.size()) != kTail)
        return false;
    std::string_view code = line.substr(kLead.size(), line.size() - kLead.size() - kTail.size());
    if (code.front() == '-') code.remove_prefix(1);
    return !code.empty() && isDigits(code);
}

}  // namespace detail

namespace detail {

inline bool isSettingName(std::string_view name) {
    return std::any_of(protocol::kSettings.begin(), protocol::kSettings.end(),
                       [name](const protocol::SettingInfo& s) { return s.name == name; });
}

// "Name, Name, Name": setting names and nothing else.
inline bool isSettingNames(std::string_view names) {
    for (std::size_t at = 0;;) {
        const std::size_t comma = names.find(", ", at);
        if (!isSettingName(names.substr(at, comma - at))) return false;
        if (comma == std::string_view::npos) return true;
        at = comma + 2;
    }
}

// "write to TAVRIN: refused <names>", "... no answer after <name>" or both, "; " between them.
inline bool isWriteFailure(std::string_view line) {
    constexpr std::string_view kLead = "write to TAVRIN: ", kRefused = "refused ", kStall = "no answer after ";
    if (!line.starts_with(kLead)) return false;
    line.remove_prefix(kLead.size());
    if (line.starts_with(kStall)) return isSettingName(line.substr(kStall.size()));
    if (!line.starts_with(kRefused)) return false;
    line.remove_prefix(kRefused.size());
    const std::size_t stall = line.find("; " + std::string(kStall));
    if (stall == std::string_view::npos) return isSettingNames(line);
    return isSettingNames(line.substr(0, stall)) && isSettingName(line.substr(stall + 2 + kStall.size()));
}

}  // namespace detail

// A write that did not land reads the preset back: a transfer of its own, with its own time-out.
inline bool startsAReRead(std::string_view line) { return detail::isWriteFailure(line); }

namespace detail {

// "(COM2 is /dev/ttyUSB0: No such file or directory)": what a port that did not open is.
inline bool isOpenHint(std::string_view line) {
    return line.starts_with("(COM") && line.find(" is ") != std::string_view::npos && line.ends_with(")");
}

}  // namespace detail

// Whether the message log may hold this line: a padded command line, a reply echo, one of
// the fixed messages or a line of the transfers' recovery.
inline bool isKnownLogLine(std::string_view line) {
    constexpr std::string_view kFixed[] = {
        "connection error",
        "connection lost",
        "connection restored",
        "com port busy",
        "com port number error",
        "(no permission: join group dialout)",
        "Read preset. Please wait...",
        "invalid(recieved status wasn't STOP)",
        "no answer from recorder: preset read",
        "no answer from recorder: preset select",
        "no answer from recorder: default",
    };
    constexpr std::string_view kRefusedChange = "refused: ";
    return std::find(std::begin(kFixed), std::end(kFixed), line) != std::end(kFixed) ||
           detail::isCommandLine(line) || detail::isEcho(line) || detail::isPortError(line) ||
           detail::isWriteFailure(line) || detail::isOpenHint(line) ||
           (line.starts_with(kRefusedChange) && detail::isSettingName(line.substr(kRefusedChange.size())));
}

// TrackEdit: empty or three digits.
inline bool isTrackText(std::string_view text) {
    return text.empty() || (text.size() == 3 && detail::isDigits(text));
}

// TimeEdit: empty, ten hyphens, or three digits, ":", two digits, ":", two digits.
inline bool isTimeText(std::string_view text) {
    if (text.empty() || text == "----------") return true;
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return text.size() == 9 && digit(text[0]) && detail::isTimeStamp(text.substr(1));
}

// Empty when the link's own state is in its ranges.
inline std::string linkStateViolation(const link::LinkState& s) {
    const auto state = static_cast<int>(s.recorder.state);
    if (state > static_cast<int>(protocol::RecorderState::Other)) return "recorder state " + std::to_string(state);
    const auto mode = static_cast<int>(s.recorder.displayMode);
    if (mode > static_cast<int>(protocol::DisplayMode::TrackRemainTime)) return "display mode " + std::to_string(mode);
    if (s.lines.pendingLength() > protocol::LineAssembler::kBufferSize)
        return "pending length " + std::to_string(s.lines.pendingLength());
    if (s.polls.displayModeCountdown < 0 || s.polls.displayModeCountdown > link::PollSchedule::kDisplayModeInterval)
        return "display-mode countdown " + std::to_string(s.polls.displayModeCountdown);
    if (s.polls.timeCountdown < 0 || s.polls.timeCountdown > link::PollSchedule::kFirstTimeRequestTS)
        return "time countdown " + std::to_string(s.polls.timeCountdown);
    return {};
}

}  // namespace tavrin::test
