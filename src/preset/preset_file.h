#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "preset/preset_record.h"

namespace tavrin::preset {

// A preset text file: 51 lines, each followed by CR LF; every value line is the very
// setting command (with its own CR), so a value line ends CR CR LF.
std::string presetFileText(const PresetStore& store);

// Loads settings 1 to 25 from a preset file's text by searching each setting's commands
// anywhere in it (first of the search order wins). Clears their known flags first; the
// sample rate is stored without marking it; IDs are kept only when valid. Returns whether
// any setting 1 to 25 is known afterwards.
bool loadPresetText(PresetStore& store, std::string_view text);

// Files larger than this are refused: a real preset file is about 650 bytes.
inline constexpr std::size_t kMaxPresetFileSize = 1024 * 1024;

struct FileResult {
    bool ok = true;
    std::string error;  // what failed, for the error box
};

// Replaces a file in one step: the new contents go to a temporary file beside the target,
// and only commit() flushes it to the disk and renames it over the target. Until then the
// old file is untouched; a writer dropped before commit() removes its temporary file.
class ReplacingFileWriter {
public:
    explicit ReplacingFileWriter(std::string path) : path_(std::move(path)) {}
    ~ReplacingFileWriter();
    ReplacingFileWriter(const ReplacingFileWriter&) = delete;
    ReplacingFileWriter& operator=(const ReplacingFileWriter&) = delete;

    FileResult create();
    FileResult write(std::string_view bytes);
    FileResult commit();

private:
    FileResult failure(std::string_view step, int systemCode);
    void discard();

    std::string path_;
    std::filesystem::path target_;     // path_, or the file a symbolic link at path_ names
    std::filesystem::path temporary_;  // empty while there is none
#ifdef _WIN32
    void* handle_ = reinterpret_cast<void*>(static_cast<long long>(-1));  // INVALID_HANDLE_VALUE
#else
    int fd_ = -1;
#endif
};

// Writes the file through a temporary file in the same folder that is flushed and renamed
// over the target, so the old file survives any failure.
FileResult writePresetFile(const std::string& path, std::string_view contents);
// Reads a whole file (refusing one above kMaxPresetFileSize), up to its first zero byte.
FileResult readPresetFile(const std::string& path, std::string& text);

}  // namespace tavrin::preset
