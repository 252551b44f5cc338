// A target that fails on purpose, on any input that starts with "!": the
// test script runs it to prove that a failing target fails the run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0 && data[0] == '!') std::abort();
    return 0;
}
