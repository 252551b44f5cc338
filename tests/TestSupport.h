// Helpers the GoogleTest programs share: scratch folders that are removed,
// whole-file reads and writes, child processes.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace orvane::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvane-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename().string());
        return names;
    }

private:
    std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Runs body in a child process and gives its wait status; body's return
// value is the child's exit status.
template <typename Body>
int InChild(Body body) {
    const pid_t child = ::fork();
    if (child == 0) std::_Exit(body());
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

// In a child process: its files may grow to limit bytes, with SIGXFSZ
// ignored (a write past the limit fails with EFBIG) or, with signalKills,
// left to kill it as a crash or kill -9 would end a save.
inline void LimitFileSize(rlim_t limit, bool signalKills) {
    std::signal(SIGXFSZ, signalKills ? SIG_DFL : SIG_IGN);
    const rlimit size{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &size);
}

// Runs body in a child process with LimitFileSize(limit, signalKills).
template <typename Body>
int InChildWithFileSizeLimit(rlim_t limit, bool signalKills, Body body) {
    return InChild([&] {
        LimitFileSize(limit, signalKills);
        return body();
    });
}

// The message of the E that call throws; a failure when it throws none.
template <typename E, typename Call>
std::string ThrownMessage(Call&& call) {
    try {
        call();
    } catch (const E& e) {
        return e.what();
    }
    ADD_FAILURE() << "nothing was thrown";
    return {};
}

}  // namespace orvane::test

// The statement throws Exception with exactly this message.
#define EXPECT_THROW_MSG(statement, Exception, message) \
    EXPECT_EQ(::orvane::test::ThrownMessage<Exception>([&] { statement; }), message)
