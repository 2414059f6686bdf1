#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace tavrin::platform {

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

struct ReadResult {
    bool ok = true;
    bool tooLarge = false;  // the file holds more than the most asked for
    std::string reason;     // why it could not be read, in the system's words
};

// Reads a whole regular file of at most maxSize bytes. Never hangs on a FIFO or a device.
ReadResult readWholeFile(const std::string& path, std::size_t maxSize, std::string& contents);

}  // namespace tavrin::platform
