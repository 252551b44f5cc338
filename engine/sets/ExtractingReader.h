// Reading a list's lines and the addresses in them (AddressExtractor) on
// two cores: a log is several times the bytes of its addresses, and finding
// them costs as much as all the rest of a merge. A thread of its own reads
// the lines in batches and finds the addresses of every other batch; the
// one who takes the batches finds those of the rest. The lines come out in
// order, each with what it held or the fault that rejected it, as reading
// them in turn would give them.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "AddressExtractor.h"
#include "ListText.h"

namespace orvane {

struct ExtractedLine {
    std::size_t at = 0, size = 0;  // its text in the batch's bytes
    LineFault fault = LineFault::None;
    std::size_t first = 0, count = 0;  // its addresses in the batch's found
};

struct ExtractedBatch {
    std::string bytes;  // the lines' text, one after another; never moved, so views stay
    std::vector<ExtractedLine> lines;
    std::vector<SetLine> found;         // their text in bytes, or in rewritten
    std::deque<std::string> rewritten;  // a token's text that the reading rewrote
    std::exception_ptr error;           // what reading the source threw after these lines
    bool last = false;
    bool extracted = false;  // the lines' addresses are found

    std::string_view Text(const ExtractedLine& line) const { return {bytes.data() + line.at, line.size}; }
};

class ExtractingReader {
public:
    // Starts reading source, which is read on the thread alone until the
    // reader is destroyed.
    ExtractingReader(ByteSource& source, RangeReading ranges, LeadingZeros zeros);
    // Stops reading, when not at the end yet, and waits for the thread.
    ~ExtractingReader();
    ExtractingReader(const ExtractingReader&) = delete;
    ExtractingReader& operator=(const ExtractingReader&) = delete;

    // The next batch, its addresses found, valid until the next call;
    // nothing after the last.
    const ExtractedBatch* Next();

private:
    void Produce(RangeReading ranges, LeadingZeros zeros);
    void Hand(std::unique_ptr<ExtractedBatch> batch);  // throws Stopped once the reader is destroyed

    ByteSource& source_;
    AddressExtractor taker_;  // the taker's, for the batches handed on unread
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<ExtractedBatch>> ready_;
    bool stop_ = false;
    std::unique_ptr<ExtractedBatch> taken_;
    std::thread thread_;
};

}  // namespace orvane
