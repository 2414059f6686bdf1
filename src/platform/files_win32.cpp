#include "platform/files.h"

#include "platform/port.h"
#include "platform/windows_api.h"

#include <algorithm>
#include <array>
#include <limits>

namespace tavrin::platform {

namespace {

HANDLE handleOf(void* handle) { return static_cast<HANDLE>(handle); }

// Paths arrive as UTF-8; the wide calls take any name the file system can hold.
std::wstring widen(const std::string& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), n);
    return wide;
}

struct FileHandle {
    HANDLE handle;
    ~FileHandle() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

std::filesystem::path folderOf(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path();
    return folder.empty() ? std::filesystem::path(L".") : folder;
}

std::string lastErrorText() { return systemErrorText(static_cast<int>(GetLastError())); }

}  // namespace

ReplacingFileWriter::~ReplacingFileWriter() { discard(); }

FileResult ReplacingFileWriter::failure(std::string_view step, int systemCode) {
    discard();
    return {false, "Could not save \"" + path_ + "\": " + std::string(step) + " (" +
                       systemErrorText(systemCode) + ")"};
}

void ReplacingFileWriter::discard() {
    if (handleOf(handle_) != INVALID_HANDLE_VALUE) CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE));
    if (!temporary_.empty()) DeleteFileW(temporary_.c_str());
    temporary_.clear();
}

FileResult ReplacingFileWriter::create() {
    discard();
    target_ = widen(path_);
    // A read-only file is not replaced, although its folder would let the move through.
    const DWORD attributes = GetFileAttributesW(target_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return failure("the file is read-only", ERROR_ACCESS_DENIED);
    std::array<wchar_t, MAX_PATH> name{};
    if (GetTempFileNameW(folderOf(target_).c_str(), L"tvr", 0, name.data()) == 0)
        return failure("cannot create a file in its folder", static_cast<int>(GetLastError()));
    temporary_ = name.data();
    handle_ = CreateFileW(name.data(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handleOf(handle_) == INVALID_HANDLE_VALUE)
        return failure("cannot create a file in its folder", static_cast<int>(GetLastError()));
    return {};
}

FileResult ReplacingFileWriter::write(std::string_view bytes) {
    if (handleOf(handle_) == INVALID_HANDLE_VALUE) return failure("writing failed", ERROR_INVALID_HANDLE);
    while (!bytes.empty()) {
        const auto count = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!WriteFile(handleOf(handle_), bytes.data(), count, &written, nullptr))
            return failure("writing failed", static_cast<int>(GetLastError()));
        if (written == 0) return failure("writing failed", ERROR_DISK_FULL);
        bytes.remove_prefix(written);
    }
    return {};
}

FileResult ReplacingFileWriter::commit() {
    if (handleOf(handle_) == INVALID_HANDLE_VALUE) return failure("writing failed", ERROR_INVALID_HANDLE);
    if (!FlushFileBuffers(handleOf(handle_)))
        return failure("flushing to the disk failed", static_cast<int>(GetLastError()));
    if (!CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)))
        return failure("closing failed", static_cast<int>(GetLastError()));
    if (!MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return failure("replacing the old file failed", static_cast<int>(GetLastError()));
    temporary_.clear();
    return {};
}

ReadResult readWholeFile(const std::string& path, std::size_t maxSize, std::string& contents) {
    contents.clear();
    const FileHandle file{CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) return {false, false, lastErrorText()};
    if (GetFileType(file.handle) != FILE_TYPE_DISK) return {false, false, "not a regular file"};
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.handle, &size)) return {false, false, lastErrorText()};
    if (static_cast<unsigned long long>(size.QuadPart) > maxSize) return {false, true, {}};

    // The size is checked again while reading: the file may grow meanwhile.
    std::array<char, 4096> chunk{};
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.handle, chunk.data(), static_cast<DWORD>(chunk.size()), &n, nullptr))
            return {false, false, lastErrorText()};
        if (n == 0) break;
        contents.append(chunk.data(), n);
        if (contents.size() > maxSize) return {false, true, {}};
    }
    return {};
}

}  // namespace tavrin::platform
