#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tavrin::protocol {

// The recorder's front-panel keys, as the main window's buttons send them.
enum class Key {
    Play, Stop, Pause, Rec, RecUndo, MReset, MTrack,
    RecVolUp, RecVolDown, RecVolLeft, RecVolRight,
    JumpBack, JumpFF, Rew, FF, ABRepeat,
    Mark, MarkMinus, MarkPlus, Display,
    One, Two, Three, Four, Five, Six, Seven, Eight, Nine, Zero,
    PowerOn, Standby,
};

struct KeyCommand {
    Key key;
    std::string_view body;  // the frame is "@0" + body + CR
    std::string_view name;  // logged as "->@0" + body + " (" + name + ")"
    std::string_view commandLineName;  // the key's name for tavrinctl: "play", "track-next", "0"
};

// The names are the program's own and differ from the captions in places.
// body, logged name, command-line name
inline constexpr std::array<KeyCommand, 32> kKeyCommands = {{
    {Key::Play, "2353", "Play", "play"},
    {Key::Stop, "2354", "Stop", "stop"},
    {Key::Pause, "2348", "Pause", "pause"},
    {Key::Rec, "2355", "REC", "rec"},
    {Key::RecUndo, "23RU", "REC undo", "rec-undo"},
    {Key::MReset, "23MR", "Margin Rest", "m-reset"},
    {Key::MTrack, "23MT", "Manual Track", "manual-track"},
    {Key::RecVolUp, "23V+", "RecVolume +", "rec-vol-up"},
    {Key::RecVolDown, "23V-", "RecVolume -", "rec-vol-down"},
    {Key::RecVolLeft, "23BL", "RecVolume L", "rec-vol-left"},
    {Key::RecVolRight, "23BR", "RecVolume R", "rec-vol-right"},
    {Key::JumpBack, "2333", "Track Jump -", "track-back"},
    {Key::JumpFF, "2332", "Track Jump +", "track-next"},
    {Key::Rew, "2350", "RWD On", "rewind"},
    {Key::FF, "2352", "FF On", "ff"},
    {Key::ABRepeat, "2359", "A-B Repeat", "ab-repeat"},
    {Key::Mark, "23121", "Mark", "mark"},
    {Key::MarkMinus, "23M-", "Mark -", "mark-back"},
    {Key::MarkPlus, "23M+", "Mark +", "mark-next"},
    {Key::Display, "2311", "Display", "display"},
    {Key::One, "2301", "1", "1"},
    {Key::Two, "2302", "2", "2"},
    {Key::Three, "2303", "3", "3"},
    {Key::Four, "2304", "4", "4"},
    {Key::Five, "2305", "5", "5"},
    {Key::Six, "2306", "6", "6"},
    {Key::Seven, "2307", "7", "7"},
    {Key::Eight, "2308", "8", "8"},
    {Key::Nine, "2309", "9", "9"},
    {Key::Zero, "2300", "0", "0"},
    {Key::PowerOn, "23PW", "Power On", "power-on"},
    {Key::Standby, "2312", "Standby", "standby"},
}};

const KeyCommand& keyCommand(Key key);

// Requests that refresh the main window's displays.
inline constexpr std::string_view kStatusRequest = "?ST";
inline constexpr std::string_view kStatusRequestName = "Status Request";
inline constexpr std::string_view kTimeRequest = "?TI";
inline constexpr std::string_view kTimeRequestName = "Time Request";
inline constexpr std::string_view kDisplayModeRequest = "?TMOD";

}  // namespace tavrin::protocol
