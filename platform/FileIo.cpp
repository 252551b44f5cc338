#include "FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace orvane {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

[[noreturn]] void ThrowOpen(const std::string& path, int error) {
    throw EFOpenError("Cannot open file \"" + path + "\". " + SystemErrorText(error));
}

[[noreturn]] void ThrowCreate(const std::string& path, int error) {
    throw EFCreateError("Cannot create file \"" + path + "\". " + SystemErrorText(error));
}

// Follows symbolic links to the file that really gets replaced, so a link
// keeps pointing where it did.
std::string ResolveTarget(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n < 0) return current;
        link.resize(static_cast<std::size_t>(n));
        if (!link.starts_with('/')) {
            const auto slash = current.rfind('/');
            if (slash != std::string::npos) link = current.substr(0, slash + 1) + link;
        }
        current = link;
    }
    ThrowCreate(path, ELOOP);
}

}  // namespace

void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EWriteError(errno);
        }
        if (n == 0) throw EWriteError(ENOSPC);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

namespace {

}  // namespace

std::string SystemErrorText(int errorCode) {
    std::string text = std::strerror(errorCode);
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text.back());
        if (c > ' ' && c != '.') break;
        text.pop_back();
    }
    return text;
}

std::string ReadWholeFile(const std::string& path) {
    // Non-blocking so that a FIFO cannot hang the program before it is refused.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) ThrowOpen(path, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) ThrowOpen(path, errno);
    if (S_ISDIR(st.st_mode)) ThrowOpen(path, EISDIR);
    if (!S_ISREG(st.st_mode)) ThrowOpen(path, EINVAL);
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags >= 0) ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);

    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowOpen(path, errno);
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string target = ResolveTarget(path);

    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) ThrowCreate(path, EISDIR);
    if (exists && !S_ISREG(existing.st_mode)) ThrowCreate(path, EINVAL);
    // Renaming would replace a file the user may not write; refuse it as opening would.
    if (exists && ::access(target.c_str(), W_OK) != 0) ThrowCreate(path, errno);

    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = (folder == "/" ? std::string() : folder) + "/." + name + ".XXXXXX";

    FileDescriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) ThrowCreate(path, errno);

    // From here on every failure removes the temporary file.
    struct TempGuard {
        std::string path;
        bool keep = false;
        ~TempGuard() {
            if (!keep) ::unlink(path.c_str());
        }
    } guard{temp};

    mode_t mode;
    if (exists) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd.get(), mode) != 0) ThrowCreate(path, errno);

    WriteAll(fd.get(), bytes);
    if (::fdatasync(fd.get()) != 0) throw EWriteError(errno);
    if (::close(fd.release()) != 0) throw EWriteError(errno);
    if (::rename(temp.c_str(), target.c_str()) != 0) ThrowCreate(path, errno);
    guard.keep = true;

    // Make the rename itself durable; the data already is, so a failure here changes nothing.
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace orvane
