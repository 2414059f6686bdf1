#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "preset/preset_record.h"

namespace tavrin::preset {

using platform::FileResult;

// A preset text file: 51 lines, each followed by CR LF; every value line is the very
// setting command (with its own CR), so a value line ends CR CR LF.
std::string presetFileText(const PresetStore& store);

struct PresetTextLoad {
    bool anyFound = false;  // a setting besides the sampling rate, or a valid ID, was found
    std::vector<protocol::PresetSetting> missing;  // settings 1 to 25 the text holds no value for
};

// Loads settings 1 to 25 from a preset file's text by searching each setting's commands
// anywhere in it (first of the search order wins); a command counts whether it ends with its
// CR or, in a file whose line ends a text tool has changed, with LF. Clears their known flags
// first; the sample rate is stored without marking it; IDs are kept only when valid.
PresetTextLoad loadPresetText(PresetStore& store, std::string_view text);

// Files larger than this are refused: a real preset file is about 650 bytes.
inline constexpr std::size_t kMaxPresetFileSize = 1024 * 1024;

// Writes the file through a temporary file in the same folder that is flushed and renamed
// over the target, so the old file survives any failure.
FileResult writePresetFile(const std::string& path, std::string_view contents);
// Reads a whole file (refusing one above kMaxPresetFileSize), up to its first zero byte.
FileResult readPresetFile(const std::string& path, std::string& text);

}  // namespace tavrin::preset
