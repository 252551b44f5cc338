#include "SetJob.h"

#include "JobParts.h"

namespace orvane {

SetJobSummary RunSetJob(const SetJob& job, const SetJobOutput& output) {
    setjob::ListReading reading(job, output);
    setjob::BlockOutput out(output.write);
    try {
        switch (job.operation) {
            case SetOperation::Merge: setjob::Merge(job, reading, out); break;
            case SetOperation::Diff: setjob::Diff(job, reading, out); break;
            case SetOperation::Exact: setjob::Exact(job, reading, out); break;
            case SetOperation::Grep: setjob::Grep(job, reading, out); break;
        }
    } catch (const setjob::SourceFailed& failed) {
        // The result is not whole: what waits in the block is not handed on.
        reading.Summary().unread = failed.error;
        return reading.Summary();
    }
    out.Flush();
    return reading.Summary();
}

}  // namespace orvane
