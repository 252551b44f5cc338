#include "FileIo.h"


#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>

#include "Memory.h"

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

constexpr const char* kNotARegularFile = "Not a regular file";
constexpr const char* kTerminal = "A terminal is not a list file";

[[noreturn]] void ThrowOpen(const std::string& path, const std::string& reason) {
    throw EFOpenError("Cannot open file \"" + path + "\". " + reason);
}
[[noreturn]] void ThrowOpen(const std::string& path, int error) { ThrowOpen(path, SystemErrorText(error)); }

[[noreturn]] void ThrowCreate(const std::string& path, const std::string& reason) {
    throw EFCreateError("Cannot create file \"" + path + "\". " + reason);
}
[[noreturn]] void ThrowCreate(const std::string& path, int error) { ThrowCreate(path, SystemErrorText(error)); }

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

void IgnoreFileSizeLimitSignal() noexcept { std::signal(SIGXFSZ, SIG_IGN); }

std::string WithoutTrailingStops(std::string text) {
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text.back());
        if (c > ' ' && c != '.') break;
        text.pop_back();
    }
    return text;
}

std::string SystemErrorText(int errorCode) { return WithoutTrailingStops(std::strerror(errorCode)); }

std::string ReadAll(int fd, const std::string& path) {
    std::string bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        ReserveLarge(bytes, static_cast<std::size_t>(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowOpen(path, errno);
        }
        if (n == 0) return bytes;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string ReadWholeFile(const std::string& path) {
    // Non-blocking so that a FIFO cannot hang the program before it is refused.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) ThrowOpen(path, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) ThrowOpen(path, errno);
    if (S_ISDIR(st.st_mode)) ThrowOpen(path, EISDIR);
    if (!S_ISREG(st.st_mode)) ThrowOpen(path, kNotARegularFile);
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags >= 0) ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    return ReadAll(fd.get(), path);
}

namespace {

// The descriptor a name such as /dev/stdin or /dev/fd/63 (process
// substitution) stands for, or -1. Such a name is read through the
// descriptor the program already holds: opening it again would wait for a
// writer that may have finished already.
int InheritedDescriptor(std::string_view path) {
    if (path == "/dev/stdin") return STDIN_FILENO;
    for (std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        if (!path.starts_with(prefix)) continue;
        int fd = 0;
        const std::string_view digits = path.substr(prefix.size());
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), fd);
        if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) return -1;
        return ::fcntl(fd, F_GETFD) >= 0 ? fd : -1;
    }
    return -1;
}

}  // namespace

int OpenStream(const std::string& path) {
    const int inherited = InheritedDescriptor(path);
    FileDescriptor fd(inherited >= 0 ? ::dup(inherited) : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) ThrowOpen(path, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) ThrowOpen(path, errno);
    if (S_ISDIR(st.st_mode)) ThrowOpen(path, EISDIR);
    // Reading a terminal "until end of file" would wait for the user to press Ctrl+D.
    if (::isatty(fd.get())) ThrowOpen(path, kTerminal);
    return fd.release();
}

std::string ReadStream(const std::string& path) {
    const FileDescriptor fd(OpenStream(path));
    return ReadAll(fd.get(), path);
}

namespace {

class FileSource : public ByteSource {
public:
    FileSource(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    std::size_t Read(char* buffer, std::size_t size) override {
        for (;;) {
            const ssize_t n = ::read(fd_.get(), buffer, size);
            if (n >= 0) return static_cast<std::size_t>(n);
            if (errno != EINTR) ThrowOpen(path_, errno);
        }
    }

private:
    FileDescriptor fd_;
    std::string path_;
};

}  // namespace

std::unique_ptr<ByteSource> OpenListSource(const std::string& path) {
    if (path == "-") return std::make_unique<FileSource>(::dup(STDIN_FILENO), "-");
    return std::make_unique<FileSource>(OpenStream(path), path);
}

namespace {

// A new file in folder that nobody can see until it is linked: an
// interrupted save leaves nothing behind. Empty name while unnamed.
struct TempFile {
    int fd = -1;
    std::string name;
    int error = 0;  // why there is none, when fd < 0
};

// Short names, so that a target whose own name is at the length limit can
// still be saved.
std::string TempName(const std::string& folder) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::string name = (folder == "/" ? std::string() : folder) + "/.orvane-";
    for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    return name;
}

TempFile CreateTemp(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) return {fd, {}, 0};
    // File systems without unnamed files get a named one.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return {-1, {}, errno};
    std::string name = (folder == "/" ? std::string() : folder) + "/.orvane-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named < 0) return {-1, {}, errno};
    return {named, std::move(name), 0};
}

// Gives an unnamed temporary file a name beside the target, so it can be
// renamed over it.
void LinkTemp(TempFile& temp, const std::string& folder) {
    const std::string self = "/proc/self/fd/" + std::to_string(temp.fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TempName(folder);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temp.name = std::move(name);
            return;
        }
        if (errno != EEXIST) throw EWriteError(errno);
    }
    throw EWriteError(EEXIST);
}

// Rewrites the file itself: used where a replacement cannot be made without
// changing what the file is (its owner, its other names) or at all. The space
// is claimed first, so a full disk or a size limit stops the save before the
// old content is touched.
void WriteInPlace(const std::string& path, const std::string& target, std::string_view bytes) {
    FileDescriptor fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) ThrowCreate(path, errno);
    const auto size = static_cast<off_t>(bytes.size());
    if (size > 0 && ::fallocate(fd.get(), 0, 0, size) != 0 && errno != EOPNOTSUPP) throw EWriteError(errno);
    WriteAll(fd.get(), bytes);
    if (::ftruncate(fd.get(), size) != 0) throw EWriteError(errno);
    if (::fdatasync(fd.get()) != 0) throw EWriteError(errno);
    if (::close(fd.release()) != 0) throw EWriteError(errno);
}

}  // namespace

FileReplacement::FileReplacement(const std::string& path) : path_(path), target_(ResolveTarget(path)) {
    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) ThrowCreate(path, EISDIR);
    if (exists && !S_ISREG(existing.st_mode)) ThrowCreate(path, kNotARegularFile);
    // Renaming would replace a file the user may not write; refuse it as opening would.
    if (exists && ::access(target_.c_str(), W_OK) != 0) ThrowCreate(path, errno);
    // A replacement would leave the other names of the file with the old content.
    if (exists && existing.st_nlink > 1) {
        inPlace_ = true;
        return;
    }

    const auto slash = target_.rfind('/');
    folder_ = slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : target_.substr(0, slash);

    TempFile temp = CreateTemp(folder_);
    if (temp.fd < 0) {
        // A writable file in a folder the user may not write: only the file itself can change.
        if (exists && (temp.error == EACCES || temp.error == EPERM)) {
            inPlace_ = true;
            return;
        }
        ThrowCreate(path, temp.error);
    }
    fd_ = temp.fd;
    tempName_ = std::move(temp.name);

    mode_t mode;
    if (exists) {
        mode = existing.st_mode & 07777;
        // The replacement must belong to whoever owned the file; where that
        // cannot be done, the file is changed in place instead.
        if ((existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) &&
            ::fchown(fd_, existing.st_uid, existing.st_gid) != 0) {
            Discard();
            inPlace_ = true;
            return;
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd_, mode) != 0) {
        const int error = errno;
        Discard();
        ThrowCreate(path, error);
    }
}

FileReplacement::~FileReplacement() { Discard(); }

void FileReplacement::Discard() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!tempName_.empty()) ::unlink(tempName_.c_str());
    tempName_.clear();
}

void FileReplacement::Write(std::string_view bytes) {
    // In place, nothing may change before the whole content is known and its space claimed.
    if (inPlace_) inPlaceBytes_.append(bytes);
    else WriteAll(fd_, bytes);
}

void FileReplacement::Commit() {
    if (inPlace_) return WriteInPlace(path_, target_, inPlaceBytes_);
    if (::fdatasync(fd_) != 0) throw EWriteError(errno);
    if (tempName_.empty()) {
        TempFile temp{fd_, {}, 0};
        LinkTemp(temp, folder_);
        tempName_ = std::move(temp.name);
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw EWriteError(errno);
    if (::rename(tempName_.c_str(), target_.c_str()) != 0) ThrowCreate(path_, errno);
    tempName_.clear();

    // Make the rename itself durable; the data already is, so a failure here changes nothing.
    FileDescriptor dir(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
    FileReplacement file(path);
    file.Write(bytes);
    file.Commit();
}

OutputFile::OutputFile(const std::string& path) {
    if (path.empty()) {
        fd_ = STDOUT_FILENO;
        return;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !(S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
        file_ = std::make_unique<FileReplacement>(path);
        return;
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) ThrowCreate(path, errno);
    owned_ = true;
}

OutputFile::~OutputFile() {
    if (owned_ && fd_ >= 0) ::close(fd_);
}

void OutputFile::Write(std::string_view bytes) {
    if (file_) file_->Write(bytes);
    else WriteAll(fd_, bytes);
}

void OutputFile::Commit() {
    if (file_) return file_->Commit();
    if (!owned_) return;
    owned_ = false;
    if (::close(fd_) != 0) throw EWriteError(errno);
}

void WriteFileOrStream(const std::string& path, std::string_view bytes) {
    OutputFile file(path);
    file.Write(bytes);
    file.Commit();
}

}  // namespace orvane
