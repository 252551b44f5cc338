// Reading and writing whole files, with the messages the user sees.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace orvane {

// A file could not be opened for reading: "Cannot open file "<path>". <reason>".
class EFOpenError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};
// A file could not be created: "Cannot create file "<path>". <reason>".
class EFCreateError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};
// Writing stopped short: "Stream write error". The system's error code is
// kept for callers that can say more than the message does.
class EWriteError : public std::runtime_error {
public:
    explicit EWriteError(int errorCode) : std::runtime_error("Stream write error"), errorCode_(errorCode) {}
    int errorCode() const noexcept { return errorCode_; }

private:
    int errorCode_;
};

// Makes a write past the file size limit (RLIMIT_FSIZE) fail with EFBIG, so
// it is reported like any failed write, instead of killing the process with
// SIGXFSZ in the middle of a save. Called once at start-up.
void IgnoreFileSizeLimitSignal() noexcept;

// The text without trailing blanks, control characters and full stops: a
// message that goes on after it ends with a full stop of its own.
std::string WithoutTrailingStops(std::string text);

// The system's description of an error code (in the user's language, where
// the C library has it), without trailing blanks, control characters and full stops.
std::string SystemErrorText(int errorCode);

// Reads what is left on an open descriptor; path names it in errors. Throws EFOpenError.
std::string ReadAll(int fd, const std::string& path);

// Reads a regular file whole. Folders, FIFOs and devices are refused without
// blocking. Throws EFOpenError.
std::string ReadWholeFile(const std::string& path);

// Reads any file that can be read to its end: a regular file, a pipe, a
// device. Folders and terminals are refused. Throws EFOpenError.
std::string ReadStream(const std::string& path);

// Writes all bytes to an open descriptor. Throws EWriteError.
void WriteAll(int fd, std::string_view bytes);

// Replaces the file's content with bytes, or leaves it as it was: the bytes go
// to a temporary file beside the target that is renamed over it only after
// every write and the sync succeeded. A symbolic link stays a link and its
// target is replaced; the owner, group and mode stay. A file with other hard
// links, one whose owner cannot be kept, and one in a folder the user may not
// write are rewritten in place, with their space claimed before the first
// byte changes. Throws EFCreateError or EWriteError; no temporary file stays
// behind, not even when the process is killed while writing.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// The same, but a device or a pipe (nothing there to replace) is written
// straight through. Throws EFCreateError or EWriteError.
void WriteFileOrStream(const std::string& path, std::string_view bytes);

}  // namespace orvane
