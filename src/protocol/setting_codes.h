#pragma once

// The recorder's preset settings and their codes. One code serves as the body of the
// recorder's reply to a query, as the body of the setting command, and (as the whole
// command) as the value line of the preset text file. Everything else is derived from here.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace tavrin::protocol {

// Numbered in the order of the read queries; the write sequence and the file use 1 to 25.
enum class PresetSetting : std::uint8_t {
    PresetNo,
    InputSelect,
    DateForm,
    StereoMono,
    Algorithm,
    BitRate,
    SampleRate,
    FileFormat,
    PreRec,
    AutoMark,
    MTrack,
    AutoTrack,
    AutoTrackTime,
    SeamlsPlay,
    SilentSkip,
    SSkipTime,
    SSkipLevel,
    AutoCue,
    AutoCueTime,
    AutoCueLevel,
    PlayMode,
    EDLPlay,
    RemoteMode,
    ID1,
    ID2,
    ID3,
};

inline constexpr int kSettingCount = 26;
inline constexpr int kIdLength = 6;

constexpr int index(PresetSetting s) { return static_cast<int>(s); }
constexpr PresetSetting settingAt(int i) { return static_cast<PresetSetting>(i); }
constexpr bool isId(PresetSetting s) { return s >= PresetSetting::ID1; }

// A reply that is recognised but stores nothing ("RCPW").
inline constexpr std::int8_t kNoValue = -1;

// The body of the command that resets the selected preset to the recorder's defaults.
inline constexpr std::string_view kDefaultCommand = "DEFL";

struct Code {
    std::int8_t value;         // index stored in the preset record, or kNoValue
    std::string_view reply;    // body of the recorder's answer to the query
    std::string_view command;  // body of the setting command and the file line; empty: never sent
    std::string_view label;    // text of the editor's list entry or radio button
};

enum class Kind : std::uint8_t {
    Indexed,  // a small index into the codes
    OnOff,    // 1 = On ("..00"), 0 = Off ("..01"); any non-zero value sends On
    Id,       // six characters after "D1", "D2" or "D3"
};

// The preset editor's control for a setting.
enum class Control : std::uint8_t {
    List,     // a drop-down list, one entry per position
    Radios,   // a frame of radio buttons, one per value
    IdField,  // a six-character text field with its "set" button
};

struct SettingInfo {
    PresetSetting setting;
    std::string_view name;        // "Input Select"
    std::string_view query;       // the query frame is "@0?" + query + CR
    std::string_view fileHeader;  // section header line of the preset file; empty: not saved
    Kind kind;
    Control control;
    std::span<const Code> codes;  // in the order the preset file loader searches them
    // What the editor calls it: its frame's caption, followed by its label inside a frame that
    // holds more than one control ("Silent Skip Time").
    std::string_view caption;
};

namespace codes {

// Rows stand in the loader's search order; where a file holds several codes of one
// setting, the first row found wins.
inline constexpr Code kPresetNo[] = {
    {0, "PS01", "PS01", "1"}, {1, "PS02", "PS02", "2"}, {2, "PS03", "PS03", "3"}};
// The recorder reports unbalanced input as "INUN" but is set to it with "INUB".
inline constexpr Code kInputSelect[] = {
    {2, "INUN", "INUB", "Unbalanced"}, {1, "INBA", "INBA", "Balanced"}, {0, "INDI", "INDI", "Digital"}};
inline constexpr Code kDateForm[] = {{1, "DFDM", "DFDM", "DMY"}, {0, "DFMD", "DFMD", "MDY"}};
inline constexpr Code kStereoMono[] = {{0, "CHST", "CHST", "Stereo"}, {1, "CHMO", "CHMO", "Mono"}};
inline constexpr Code kAlgorithm[] = {
    {2, "AFPM", "AFPM", "PCM"}, {0, "AFM2", "AFM2", "MP2"}, {1, "AFM3", "AFM3", "MP3"}};
inline constexpr Code kBitRate[] = {
    {0, "BR032", "BR032", "32"},   {1, "BR040", "BR040", "40"},   {2, "BR048", "BR048", "48"},
    {3, "BR064", "BR064", "64"},   {4, "BR080", "BR080", "80"},   {5, "BR096", "BR096", "96"},
    {6, "BR128", "BR128", "128"},  {7, "BR160", "BR160", "160"},  {8, "BR192", "BR192", "192"},
    {9, "BR256", "BR256", "256"},  {10, "BR320", "BR320", "320"}, {11, "BR384", "BR384", "384"}};
inline constexpr Code kSampleRate[] = {
    {0, "FS16", "FS16", "16"}, {1, "FS22", "FS22", "22.5"}, {2, "FS24", "FS24", "24"},
    {3, "FS32", "FS32", "32"}, {4, "FS44", "FS44", "44.1"}, {5, "FS48", "FS48", "48"}};
inline constexpr Code kFileFormat[] = {
    {0, "FTBW", "FTBW", ".bwf"}, {1, "FTWA", "FTWA", ".wav"},
    {2, "FTMG", "FTMG", ".mpg"}, {3, "FTM3", "FTM3", ".mp3"}};
inline constexpr Code kPreRec[] = {{1, "PR00", "PR00", "On"}, {0, "PR01", "PR01", "Off"}};
inline constexpr Code kAutoMark[] = {{1, "AM00", "AM00", "On"}, {0, "AM01", "AM01", "Off"}};
inline constexpr Code kMTrack[] = {{1, "MT00", "MT00", "On"}, {0, "MT01", "MT01", "Off"}};
inline constexpr Code kAutoTrack[] = {{1, "AK00", "AK00", "On"}, {0, "AK01", "AK01", "Off"}};
inline constexpr Code kAutoTrackTime[] = {
    {0, "AT0001", "AT0001", "1min."},  {1, "AT0005", "AT0005", "5min."},
    {2, "AT0010", "AT0010", "10min."}, {3, "AT0015", "AT0015", "15min."},
    {4, "AT0030", "AT0030", "30min."}, {5, "AT0100", "AT0100", "1hour"},
    {6, "AT0200", "AT0200", "2hour"},  {7, "AT0600", "AT0600", "6hour"},
    {8, "AT0800", "AT0800", "8hour"},  {9, "AT1200", "AT1200", "12hour"},
    {10, "AT2400", "AT2400", "24hour"}};
inline constexpr Code kSeamlsPlay[] = {{1, "CP00", "CP00", "On"}, {0, "CP01", "CP01", "Off"}};
inline constexpr Code kSilentSkip[] = {{1, "SS00", "SS00", "On"}, {0, "SS01", "SS01", "Off"}};
inline constexpr Code kSSkipTime[] = {
    {0, "SC01", "SC01", "1"}, {1, "SC02", "SC02", "2"}, {2, "SC03", "SC03", "3"},
    {3, "SC04", "SC04", "4"}, {4, "SC05", "SC05", "5"}};
inline constexpr Code kSSkipLevel[] = {
    {0, "SL20", "SL20", "20"}, {1, "SL25", "SL25", "25"}, {2, "SL30", "SL30", "30"},
    {3, "SL35", "SL35", "35"}, {4, "SL40", "SL40", "40"}, {5, "SL45", "SL45", "45"},
    {6, "SL50", "SL50", "50"}, {7, "SL55", "SL55", "55"}, {8, "SL60", "SL60", "60"}};
inline constexpr Code kAutoCue[] = {{1, "AC00", "AC00", "On"}, {0, "AC01", "AC01", "Off"}};
inline constexpr Code kAutoCueTime[] = {
    {0, "CT05", "CT05", "5"},   {1, "CT10", "CT10", "10"},  {2, "CT15", "CT15", "15"},
    {3, "CT20", "CT20", "20"},  {4, "CT25", "CT25", "25"},  {5, "CT30", "CT30", "30"},
    {6, "CT35", "CT35", "35"},  {7, "CT40", "CT40", "40"},  {8, "CT45", "CT45", "45"},
    {9, "CT50", "CT50", "50"},  {10, "CT55", "CT55", "55"}, {11, "CT60", "CT60", "60"},
    {12, "CT65", "CT65", "65"}, {13, "CT70", "CT70", "70"}, {14, "CT75", "CT75", "75"},
    {15, "CT80", "CT80", "80"}, {16, "CT85", "CT85", "85"}, {17, "CT90", "CT90", "90"},
    {18, "CT95", "CT95", "95"}};
inline constexpr Code kAutoCueLevel[] = {
    {0, "CL20", "CL20", "20"}, {1, "CL25", "CL25", "25"}, {2, "CL30", "CL30", "30"},
    {3, "CL35", "CL35", "35"}, {4, "CL40", "CL40", "40"}, {5, "CL45", "CL45", "45"},
    {6, "CL50", "CL50", "50"}, {7, "CL55", "CL55", "55"}, {8, "CL60", "CL60", "60"}};
// "Track Repeat" is "PMAR" and "All Repeat" is "PMAL".
inline constexpr Code kPlayMode[] = {
    {0, "PMOF", "PMOF", "Normal"}, {1, "PMAR", "PMAR", "Track Repeat"},
    {2, "PMAL", "PMAL", "All Repeat"}, {3, "PMSP", "PMSP", "Single Play"}};
inline constexpr Code kEDLPlay[] = {{1, "EP00", "EP00", "On"}, {0, "EP01", "EP01", "Off"}};
// The recorder may answer the remote-mode query with "RCPW", which maps to no value.
inline constexpr Code kRemoteMode[] = {
    {0, "RCSS", "RCSS", "Start Stop"}, {1, "RCSR", "RCSR", "Start Stop Track"},
    {2, "RCMA", "RCMA", "EDL Mark"},   {3, "RCMT", "RCMT", "Manual Track"},
    {kNoValue, "RCPW", "", ""}};

}  // namespace codes

inline constexpr std::array<SettingInfo, kSettingCount> kSettings = [] {
    using enum PresetSetting;
    using enum Kind;
    using enum Control;
    return std::array<SettingInfo, kSettingCount>{{
        // setting, name, query, file header, kind, editor control, codes, editor caption
        {PresetNo, "Preset No.", "PS", "", Indexed, List, codes::kPresetNo, "Preset No."},
        {InputSelect, "Input Select", "IN", "[Input Select]", Indexed, Radios,
         codes::kInputSelect, "Input Select"},
        {DateForm, "Date Form", "DF", "[Date Form]", Indexed, Radios, codes::kDateForm, "Date Form"},
        {StereoMono, "Stereo / Mono", "CH", "[Stereo / Mono]", Indexed, Radios,
         codes::kStereoMono, "Record Channel"},
        {Algorithm, "Algorithm", "AF", "[Algorithm]", Indexed, Radios, codes::kAlgorithm, "REC Format"},
        {BitRate, "Bit Rate", "BR", "[Bit Rate]", Indexed, List, codes::kBitRate, "Bit Rate"},
        {SampleRate, "Sampling Rate", "FS", "[Sampling Rate]", Indexed, List,
         codes::kSampleRate, "Sample Rate"},
        {FileFormat, "File Extension", "FT", "[File Extension]", Indexed, List,
         codes::kFileFormat, "File Format"},
        {PreRec, "Pre-Record", "PR", "[Pre-Record]", OnOff, Radios, codes::kPreRec, "Pre Record"},
        {AutoMark, "Auto Mark", "AM", "[Auto Mark]", OnOff, Radios, codes::kAutoMark, "Auto Mark"},
        {MTrack, "Manual Track", "MT", "[Manual Track]", OnOff, Radios, codes::kMTrack, "Manual Track"},
        // The recorder takes the Auto Track query with a lower-case k but answers "AK".
        {AutoTrack, "Auto Track", "Ak", "[Auto Track]", OnOff, Radios, codes::kAutoTrack, "AutoTrack"},
        {AutoTrackTime, "Auto Track Time", "AT", "[Auto Track Time]", Indexed, List,
         codes::kAutoTrackTime, "AutoTrack Time"},
        {SeamlsPlay, "Seamless Play", "CP", "[Seamless Play]", OnOff, Radios,
         codes::kSeamlsPlay, "Seamless Play"},
        {SilentSkip, "Silent Skip", "SS", "[Silent Skip]", OnOff, Radios, codes::kSilentSkip, "Silent Skip"},
        {SSkipTime, "Silent Skip Time", "SC", "[Silent Skip Time]", Indexed, List,
         codes::kSSkipTime, "Silent Skip Time"},
        {SSkipLevel, "Silent Skip Level", "SL", "[Silent Skip Level]", Indexed, List,
         codes::kSSkipLevel, "Silent Skip Level"},
        {AutoCue, "Auto Cue", "AC", "[Auto CUE]", OnOff, Radios, codes::kAutoCue, "Auto Cue"},
        {AutoCueTime, "Auto Cue Time", "CT", "[Auto CUE Time]", Indexed, List,
         codes::kAutoCueTime, "Auto Cue Time"},
        {AutoCueLevel, "Auto Cue Level", "CL", "[Auto CUE level]", Indexed, List,
         codes::kAutoCueLevel, "Auto Cue Level"},
        {PlayMode, "Play Mode", "PM", "[Play Mode]", Indexed, Radios, codes::kPlayMode, "Play Mode"},
        {EDLPlay, "EDL Play", "EP", "[EDL play]", OnOff, Radios, codes::kEDLPlay, "EDL Play"},
        {RemoteMode, "Remote Mode", "RC", "[Remote Mode]", Indexed, List, codes::kRemoteMode, "Remote Mode"},
        {ID1, "BWF ID1", "D1", "[BWF ID1]", Id, IdField, {}, "BWF ID1"},
        {ID2, "BWF ID2", "D2", "[BWF ID2]", Id, IdField, {}, "BWF ID2"},
        {ID3, "BWF ID3", "D3", "[BWF ID3]", Id, IdField, {}, "BWF ID3"},
    }};
}();

constexpr const SettingInfo& info(PresetSetting s) { return kSettings[static_cast<std::size_t>(s)]; }

constexpr std::size_t settingCount(Control control) {
    std::size_t n = 0;
    for (const SettingInfo& setting : kSettings) n += setting.control == control ? 1 : 0;
    return n;
}

// The settings one kind of editor control shows, in setting order.
template <Control C>
inline constexpr auto kSettingsShownAs = [] {
    std::array<PresetSetting, settingCount(C)> settings{};
    std::size_t n = 0;
    for (const SettingInfo& setting : kSettings)
        if (setting.control == C) settings[n++] = setting.setting;
    return settings;
}();

// The code that sends or saves a value: for on/off settings any non-zero value is On.
// nullptr when the value is outside the table (nothing is then sent or saved).
constexpr const Code* codeForValue(PresetSetting s, int value) {
    const SettingInfo& setting = info(s);
    if (setting.kind == Kind::OnOff) value = value != 0 ? 1 : 0;
    for (const Code& c : setting.codes)
        if (c.value == value && !c.command.empty()) return &c;
    return nullptr;
}

}  // namespace tavrin::protocol
