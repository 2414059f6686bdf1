#pragma once

// What the recorder reports about its transport and its time display: the status codes of
// "@0ST" + code and the display modes of "@0TM" + code, with the states and modes the
// program follows.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tavrin::protocol {

// The recorder's transport as the program follows it. The values are the recorder's own
// order; TS, S+ and S- are reported by the recorder without a meaning of their own here.
enum class RecorderState : std::uint8_t {
    Standby,         // no transport status yet, or the recorder went to standby
    Stop,            // "STST"
    Play,            // "STPL"
    PlayPause,       // "STPP"
    TS,              // "STTS"
    RecPause,        // "STRP"
    Rec,             // "STRE"
    SPlus,           // "STS+"
    SMinus,          // "STS-"
    FastForward,     // "STFF"
    Rewind,          // "STRW"
    PresetTransfer,  // "STED", or the program's own preset read: replies go to the preset
    Other,           // an error status, a card or door report, a line of no known kind
};

// The time is polled while the transport runs or stands, not in standby, in play pause,
// during a preset transfer or after a report of no known state.
constexpr bool timePolledIn(RecorderState state) {
    switch (state) {
    case RecorderState::Standby:
    case RecorderState::PlayPause:
    case RecorderState::PresetTransfer:
    case RecorderState::Other: return false;
    default: return true;
    }
}

struct StatusReport {
    std::string_view code;              // the two characters after "@0ST"
    std::optional<RecorderState> state; // the state it puts the recorder in; none: unchanged
    std::string_view name;              // as a person reads it; the code where it has no name
};

inline constexpr std::array<StatusReport, 18> kStatusReports = {{
    {"ER", RecorderState::Other, "ER"},
    {"WR", RecorderState::Other, "WR"},
    {"EW", RecorderState::Other, "EW"},
    {"RU", RecorderState::Other, "RU"},
    {"RE", RecorderState::Rec, "Rec"},
    {"RP", RecorderState::RecPause, "Rec Pause"},
    {"ST", RecorderState::Stop, "Stop"},
    {"TS", RecorderState::TS, "TS"},
    {"PL", RecorderState::Play, "Play"},
    {"PP", RecorderState::PlayPause, "Play Pause"},
    {"S+", RecorderState::SPlus, "S+"},
    {"S-", RecorderState::SMinus, "S-"},
    {"FF", RecorderState::FastForward, "Fast Forward"},
    {"RW", RecorderState::Rewind, "Rewind"},
    {"AB", std::nullopt, "AB"},
    {"TP", std::nullopt, "TP"},
    {"EP", std::nullopt, "EP"},
    {"ED", RecorderState::PresetTransfer, "ED"},
}};

// The recorder's time-display modes; None until the first "@0TM" reply.
enum class DisplayMode : std::uint8_t {
    None,
    RecRemainTime,
    TotalTrack,
    TotalMark,
    Algorithm,
    Date,
    TrackTime,
    RecDate,
    TrackRemainTime,
};

struct DisplayModeReport {
    std::string_view code;  // the two characters after "@0TM"
    DisplayMode mode;
    std::string_view text;  // as the main window shows it
};

inline constexpr std::array<DisplayModeReport, 8> kDisplayModes = {{
    {"RE", DisplayMode::RecRemainTime, "REC REMAIN TIME"},
    {"TN", DisplayMode::TotalTrack, "Total track mode"},
    {"TM", DisplayMode::TotalMark, "Total mark mode"},
    {"AG", DisplayMode::Algorithm, "Algolithm mode"},
    {"ND", DisplayMode::Date, "Date mode"},
    {"TT", DisplayMode::TrackTime, "TRACK TIME"},
    {"RD", DisplayMode::RecDate, "REC date mode"},
    {"TR", DisplayMode::TrackRemainTime, "TRACK REMAIN TIME"},
}};

// Only in these modes are the time and the track shown, and the time polled.
constexpr bool isTimeMode(DisplayMode mode) {
    return mode == DisplayMode::RecRemainTime || mode == DisplayMode::TrackTime ||
           mode == DisplayMode::TrackRemainTime;
}

const StatusReport* statusReport(std::string_view code);
const DisplayModeReport* displayModeReport(std::string_view code);
const DisplayModeReport* displayModeReport(DisplayMode mode);

}  // namespace tavrin::protocol
