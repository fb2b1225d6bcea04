#include "platform/posix_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <new>
#include <string>

namespace ywf {
namespace {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now and reports whether the close succeeded.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        // Linux writes at most about 2 GiB per call; larger requests come back short.
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

ReadResult PosixFileService::readWholeFile(const std::string& path) {
    ReadResult result;
    result.error = ReadError::cannotRead;
    if (path.empty()) return result;
    // O_NONBLOCK keeps a FIFO (or a device) from blocking the open until a writer comes;
    // such a file is refused below, and reads of a regular file never block anyway.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return result;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return result;
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > ByteArray::kMaxBytes) {
        result.error = ReadError::tooLarge;
        return result;
    }
    ByteArray bytes;
    try {
        bytes = ByteArray::uninitialised(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        result.error = ReadError::noMemory;
        return result;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return result;
        }
        if (n == 0) return result;  // the file shrank while it was read
        done += static_cast<std::size_t>(n);
    }
    // A file that grew while it was read is not whole either.
    std::uint8_t extra = 0;
    if (::read(fd.get(), &extra, 1) != 0) return result;
    result.error = ReadError::none;
    result.bytes = std::move(bytes);
    return result;
}

bool PosixFileService::writeWholeFile(const std::string& path, ByteView bytes) {
    if (path.empty() || path.back() == '/') return false;
    const std::string folder = folderOf(path);
    std::string temp = path;
    temp += ".part-XXXXXX";
    // The temporary name is longer than the target's; when that alone makes it too long,
    // fall back to a short name in the same folder.
    int raw = ::mkostemp(temp.data(), O_CLOEXEC);
    if (raw < 0 && errno == ENAMETOOLONG) {
        temp = folder + "/.ywf-XXXXXX";
        raw = ::mkostemp(temp.data(), O_CLOEXEC);
    }
    if (raw < 0) return false;
    FileDescriptor fd(raw);
    auto fail = [&]() {
        ::unlink(temp.c_str());
        return false;
    };
    // Honour the usual permissions of a new file (the temporary one starts at 0600).
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode_t mode = 0666 & ~mask;
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) return fail();
        mode = existing.st_mode & 07777;
    }
    // Some file systems (FAT on a memory stick) refuse permission changes; the bytes
    // still count, so a refusal here is not a failed write.
    (void)::fchmod(fd.get(), mode);
    // A write cut short by a file-size limit raises SIGXFSZ; ignore it so the write
    // reports EFBIG instead of ending the process.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);
    const bool written = writeAll(fd.get(), bytes.data(), bytes.size());
    ::sigaction(SIGXFSZ, &previous, nullptr);
    if (!written || ::fsync(fd.get()) != 0 || !fd.close()) return fail();
    if (::rename(temp.c_str(), path.c_str()) != 0) return fail();
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return true;
}

}  // namespace ywf
