// Whether a result can be written at all, before any of it is.
#include "JobParts.h"

#include "AddressText.h"

namespace orvane::setjob {
SetWriting WritingOf(const SetJob& job) {
    return {.form = job.form,
            .delimiter = job.delimiter,
            .lineEnd = job.lineEnd,
            .ranges = job.ranges,
            .lengths4 = job.lengths4,
            .lengths6 = job.lengths6,
            .lineFormat = job.lineFormat};
}

Refusal RefusalOf(const SetJob& job, const SetWriting& writing, const std::vector<Interval4>& v4,
                  const std::vector<Interval6>& v6) {
    AddressTotal units;
    if (Writes<std::uint32_t>(job)) units = UnitCountOf(v4, writing);
    if (Writes<Uint128>(job)) {
        const AddressTotal more = UnitCountOf(v6, writing);
        units.Add(more.value);
        units.bit128 = units.bit128 || more.bit128 || units.value < more.value;
    }
    if (units.Exceeds(kMostNetworks)) return {.kind = Refusal::Kind::TooManyNetworks, .networks = units};
    if (writing.lineFormat != nullptr && writing.lineFormat->NeedsDottedMask() && Writes<Uint128>(job) && !v6.empty()) {
        Refusal refusal{.kind = Refusal::Kind::IPv6UnderDottedMask};
        ForEachUnit(v6.front(), writing, [&](const Interval6& unit) {
            if (!refusal.network.empty()) return;
            AppendAddress(refusal.network, unit.first);
            refusal.network += '/' + std::to_string(128 - TrailingZeros(static_cast<Uint128>(unit.last - unit.first + 1)));
        });
        return refusal;
    }
    return {};
}

}  // namespace orvane::setjob
