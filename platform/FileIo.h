// Reading and writing whole files, with the messages the user sees.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "ListText.h"

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

// Opens what ReadStream reads, for reading it in pieces: a descriptor the
// caller closes. Throws EFOpenError.
int OpenStream(const std::string& path);

// A list file or pipe read block by block: ReadStream's files, "-" for
// standard input. Throws EFOpenError, when opening and when reading.
std::unique_ptr<ByteSource> OpenListSource(const std::string& path);

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

// WriteFileAtomically in pieces: the content goes to the temporary file as
// it is written, and replaces the file at Commit(). Left uncommitted, the
// file stays as it was and the temporary file goes. Where the file must be
// rewritten in place, the pieces wait in memory until Commit().
class FileReplacement {
public:
    explicit FileReplacement(const std::string& path);  // throws EFCreateError
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    ~FileReplacement();
    void Write(std::string_view bytes);  // throws EWriteError
    void Commit();                       // throws EFCreateError or EWriteError

private:
    void Discard() noexcept;

    std::string path_, target_, folder_;
    int fd_ = -1;
    std::string tempName_;  // empty while the temporary file has no name
    bool inPlace_ = false;
    std::string inPlaceBytes_;
};

// WriteFileOrStream in pieces; an empty path is standard output.
class OutputFile {
public:
    explicit OutputFile(const std::string& path);  // throws EFCreateError
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();
    void Write(std::string_view bytes);  // throws EWriteError
    void Commit();                       // throws EFCreateError or EWriteError
    // Standard output, a device or a FIFO: written as it is made, nothing to replace.
    bool WritesThrough() const noexcept { return file_ == nullptr; }

private:
    std::unique_ptr<FileReplacement> file_;
    int fd_ = -1;
    bool owned_ = false;
};

}  // namespace orvane
