#pragma once

// Readable failure messages for the program's own enumerations.

#include <array>
#include <ostream>

#include "protocol/status.h"

namespace tavrin::protocol {

inline void PrintTo(RecorderState state, std::ostream* out) {
    static constexpr std::array kNames = {"Standby", "Stop", "Play", "PlayPause", "TS", "RecPause", "Rec",
                                          "SPlus", "SMinus", "FastForward", "Rewind", "PresetTransfer", "Other"};
    const auto i = static_cast<std::size_t>(state);
    *out << (i < kNames.size() ? kNames[i] : "?");
}

inline void PrintTo(DisplayMode mode, std::ostream* out) {
    const DisplayModeReport* report = displayModeReport(mode);
    *out << (report ? report->text : "no display mode");
}

}  // namespace tavrin::protocol
