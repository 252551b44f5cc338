#include "ExtractingReader.h"

#include "AddressReader.h"

namespace orvane {
namespace {

// A batch is handed on at about this much text, or this many lines: big
// enough that handing on costs nothing, small enough to stay in the caches
// of both cores, and two of them are all that wait.
constexpr std::size_t kBatchBytes = std::size_t{1} << 20, kBatchLines = std::size_t{1} << 14, kWaiting = 2;
// Room for the longest line past a batch's size, and the NUL that may end
// it, so that the bytes never move once views into them are handed out.
constexpr std::size_t kBatchRoom = kBatchBytes + kMaxSetLineText + 2;

struct Stopped {};

// Finds the addresses of every line of the batch.
void ExtractAll(ExtractedBatch& batch, AddressExtractor& extractor) {
    for (ExtractedLine& extracted : batch.lines) {
        const std::string_view line = batch.Text(extracted);
        extracted.fault = extractor.Extract(line);
        if (extracted.fault != LineFault::None) continue;
        extracted.first = batch.found.size();
        extracted.count = extractor.Found().size();
        for (SetLine found : extractor.Found()) {
            // The extractor's own room for rewritten text is reused at the next line.
            if (found.text.data() < line.data() || found.text.data() > line.data() + line.size())
                found.text = batch.rewritten.emplace_back(found.text);
            batch.found.push_back(found);
        }
    }
    batch.extracted = true;
}

std::unique_ptr<ExtractedBatch> NewBatch() {
    auto batch = std::make_unique<ExtractedBatch>();
    batch->bytes.reserve(kBatchRoom);
    return batch;
}

}  // namespace

ExtractingReader::ExtractingReader(ByteSource& source, RangeReading ranges, LeadingZeros zeros)
    : source_(source), taker_(ranges, zeros), thread_([this, ranges, zeros] { Produce(ranges, zeros); }) {}

ExtractingReader::~ExtractingReader() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

const ExtractedBatch* ExtractingReader::Next() {
    if (taken_ && taken_->last) return nullptr;
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !ready_.empty(); });
    taken_ = std::move(ready_.front());
    ready_.pop_front();
    lock.unlock();
    changed_.notify_all();
    if (!taken_->extracted) ExtractAll(*taken_, taker_);
    return taken_.get();
}

void ExtractingReader::Hand(std::unique_ptr<ExtractedBatch> batch) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return stop_ || ready_.size() < kWaiting; });
    if (stop_) throw Stopped{};
    ready_.push_back(std::move(batch));
    lock.unlock();
    changed_.notify_all();
}

void ExtractingReader::Produce(RangeReading ranges, LeadingZeros zeros) {
    AddressExtractor extractor(ranges, zeros);
    std::unique_ptr<ExtractedBatch> batch = NewBatch();
    // While a batch still waits for the taker, this thread finds the
    // addresses of the next itself: the work falls to whichever core is free.
    auto handOn = [&] {
        bool waiting;
        {
            const std::lock_guard lock(mutex_);
            waiting = !ready_.empty();
        }
        if (waiting) ExtractAll(*batch, extractor);
        Hand(std::move(batch));
    };
    try {
        // One byte past the longest text a line may have: enough to tell such a line apart.
        ForEachSourceLine(source_, kMaxSetLineText + 1, [&](std::string_view text) {
            if (batch->bytes.size() >= kBatchBytes || batch->lines.size() >= kBatchLines) {
                handOn();
                batch = NewBatch();
            }
            batch->lines.push_back({.at = batch->bytes.size(), .size = text.size()});
            batch->bytes.append(text);
        });
    } catch (const Stopped&) {
        return;
    } catch (...) {
        batch->error = std::current_exception();
    }
    batch->last = true;
    try {
        handOn();
    } catch (const Stopped&) {
    }
}

}  // namespace orvane
