#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tavrin::platform {

namespace {

struct FileDescriptor {
    int fd;
    ~FileDescriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// A replaced file keeps its mode; a new one gets rw-r--r-- less the umask.
mode_t modeFor(const std::filesystem::path& target) {
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) return old.st_mode & 07777;
    const mode_t mask = ::umask(0);  // the only way to read the umask; single-threaded
    ::umask(mask);
    return 0644 & ~mask;
}

// Saving through a symbolic link replaces the file it names, not the link, also when that file
// does not exist yet (a dangling link): the links are followed one by one.
std::filesystem::path resolveLink(const std::string& path) {
    constexpr int kLongestChain = 40;  // as the kernel allows
    std::filesystem::path file(path);
    for (int i = 0; i < kLongestChain; ++i) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(file, error))) break;
        const std::filesystem::path target = std::filesystem::read_symlink(file, error);
        if (error) break;
        file = target.is_absolute() ? target : file.parent_path() / target;
    }
    return file;
}

// A file no one may write to is not replaced, although its folder would let the rename through.
bool isReadOnly(const std::filesystem::path& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return (st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0;
}

std::filesystem::path folderOf(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// Makes the rename itself durable; a folder that cannot be synced is no reason to fail.
void syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace

ReplacingFileWriter::~ReplacingFileWriter() { discard(); }

FileResult ReplacingFileWriter::failure(std::string_view step, int systemCode) {
    discard();
    return {false, "Could not save \"" + path_ + "\": " + std::string(step) + " (" + std::strerror(systemCode) + ")"};
}

void ReplacingFileWriter::discard() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

FileResult ReplacingFileWriter::create() {
    discard();
    target_ = resolveLink(path_);
    if (isReadOnly(target_)) return failure("the file is read-only", EACCES);
    std::string pattern = (folderOf(target_) / ("." + target_.filename().string() + ".XXXXXX")).string();
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0) return failure("cannot create a file in its folder", errno);
    temporary_ = pattern;
    // A folder that keeps no modes (a FAT stick) still takes the file.
    (void)::fchmod(fd_, modeFor(target_));
    return {};
}

FileResult ReplacingFileWriter::write(std::string_view bytes) {
    if (fd_ < 0) return failure("writing failed", EBADF);
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return failure("writing failed", errno);
        if (n == 0) return failure("writing failed", ENOSPC);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

FileResult ReplacingFileWriter::commit() {
    if (fd_ < 0) return failure("writing failed", EBADF);
    if (::fsync(fd_) != 0) return failure("flushing to the disk failed", errno);
    if (::close(std::exchange(fd_, -1)) != 0) return failure("closing failed", errno);
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        return failure("replacing the old file failed", errno);
    temporary_.clear();
    syncFolder(folderOf(target_));
    return {};
}

ReadResult readWholeFile(const std::string& path, std::size_t maxSize, std::string& contents) {
    contents.clear();
    // Non-blocking, so that a FIFO given as the file cannot hang the program in open().
    const FileDescriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0) return {false, false, std::strerror(errno)};

    struct stat st {};
    if (::fstat(file.fd, &st) != 0) return {false, false, std::strerror(errno)};
    if (!S_ISREG(st.st_mode)) return {false, false, "not a regular file"};
    if (static_cast<unsigned long long>(st.st_size) > maxSize) return {false, true, {}};

    // The size is checked again while reading: the file may grow after fstat.
    std::array<char, 4096> chunk{};
    for (;;) {
        const ssize_t n = ::read(file.fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {false, false, std::strerror(errno)};
        if (n == 0) break;
        contents.append(chunk.data(), static_cast<std::size_t>(n));
        if (contents.size() > maxSize) return {false, true, {}};
    }
    return {};
}

}  // namespace tavrin::platform
