// The tree of a set's networks: each node the smallest network holding two
// neighbouring networks of the set, whole (one entry, the addresses it adds)
// or split into its two subtrees. The fewest added addresses for each count
// of entries is no convex function of the count, but its lower convex hull
// is all a price per entry can see: a node's hull is its whole point joined
// to the sum of its children's, and the sum of convex hulls is the merge of
// their slopes. So each node becomes one unit (split me, entries more,
// addresses fewer) that takes in the units below it that pay better, and
// the units, best paying first, lead from the coarsest cover to the exact set
// through every cover on the hull.
#include "EntryBudget.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <optional>
#include <utility>

#include "AddressText.h"
#include "JobParts.h"

namespace orvane {
namespace {

__extension__ typedef unsigned __int128 Wide;

Wide WideOf(std::uint32_t v) { return v; }
Wide WideOf(Uint128 v) { return Wide{v.high} << 64 | v.low; }
template <typename Value>
Value ValueOf(Wide w) {
    if constexpr (std::is_same_v<Value, Uint128>) return {static_cast<std::uint64_t>(w >> 64), static_cast<std::uint64_t>(w)};
    else return static_cast<Value>(w);
}
Uint128 TotalValue(Wide w) { return {static_cast<std::uint64_t>(w >> 64), static_cast<std::uint64_t>(w)}; }

unsigned LeadingZeros(Wide w, unsigned width) {
    const auto high = static_cast<std::uint64_t>(w >> 64), low = static_cast<std::uint64_t>(w);
    const unsigned bits = high != 0 ? 64 + static_cast<unsigned>(std::bit_width(high)) : static_cast<unsigned>(std::bit_width(low));
    return width - bits;
}

// a × b, to 192 bits: prices per entry compare as cross products, and
// IPv6's addresses fill 128 bits already.
struct Product {
    std::uint64_t high;
    Wide low;
};
Product Times(Wide a, std::uint64_t b) {
    const Wide low = static_cast<Wide>(static_cast<std::uint64_t>(a)) * b;
    const Wide high = static_cast<Wide>(static_cast<std::uint64_t>(a >> 64)) * b;
    const Wide sum = low + (high << 64);
    return {static_cast<std::uint64_t>(high >> 64) + (sum < low ? 1u : 0u), sum};
}
int Compare(const Product& a, const Product& b) {
    if (a.high != b.high) return a.high < b.high ? -1 : 1;
    if (a.low != b.low) return a.low < b.low ? -1 : 1;
    return 0;
}

template <typename Value>
class CoverTree {
public:
    CoverTree(const std::vector<Interval<Value>>& set, bool halvesForWhole) : halves_(halvesForWhole) {
        for (const Interval<Value>& interval : set)
            ForEachNetwork(interval, [&](Value network, unsigned prefix) {
                leaves_.push_back({WideOf(network), static_cast<std::uint8_t>(prefix)});
                entries_ += WholeEntries(prefix);
            });
    }

    std::uint64_t Entries() const { return entries_; }

    EntryFit Fit(std::vector<Interval<Value>>& set, const std::vector<Interval<Value>>& forbidden, std::uint64_t budget) {
        EntryFit fit{.before = entries_, .after = entries_, .set = TotalOf(set)};
        if (entries_ <= budget) return fit;
        // One network over the budget: the whole space, in halves.
        if (leaves_.size() == 1) {
            fit.fits = false;
            return fit;
        }
        Build(forbidden);
        const std::uint64_t fewest = nodes_[root_].entries;
        if (fewest > budget) {
            fit.fits = false;
            fit.after = fewest;
            return fit;
        }
        Choose(budget);
        Cover(set, fit);
        return fit;
    }

private:
    static constexpr unsigned kWidth = kAddressWidth<Value>;
    static constexpr int kNone = -1;

    struct Leaf {
        Wide first;
        std::uint8_t prefix;
    };
    // Between leaf i and leaf i + 1, the smallest network that holds both.
    struct Node {
        int parent = kNone, left = kNone, right = kNone;  // a child below 0 is the leaf ~child
        int heapLeft = kNone, heapRight = kNone;
        // The units its own took in, and the next of those its absorber took in.
        int absorbed = kNone, nextAbsorbed = kNone;
        // The units waiting for it to be split, and the next waiting with them.
        int parked = kNone, nextParked = kNone;
        std::uint8_t prefix = 0, rank = 1;
        bool forced = false;  // holds a forbidden address: always split
        bool split = false;   // its unit is taken
        std::uint64_t entries = 0, unitEntries = 0, ownEntries = 0;  // as it starts; what its unit adds, and it alone
        Wide added = 0, unitSaves = 0, ownSaves = 0;                 // as it starts; what its unit takes away, and it alone
        Wide whole = 0;                                              // what it adds whole
    };

    std::uint64_t WholeEntries(unsigned prefix) const { return halves_ && prefix == 0 ? 2 : 1; }
    Wide Size(unsigned prefix) const { return prefix == 0 && kWidth == 128 ? 0 : Wide{1} << (kWidth - prefix); }
    Wide FirstOf(const Node& node, std::size_t index) const {
        return leaves_[index].first & ~(Size(node.prefix) - 1);
    }

    void Build(const std::vector<Interval<Value>>& forbidden) {
        const std::size_t count = leaves_.size() - 1;
        nodes_.resize(count);
        heapOf_.assign(count, kNone);
        std::vector<int> stack;
        for (std::size_t i = 0; i < count; ++i) {
            Node& node = nodes_[i];
            node.prefix = static_cast<std::uint8_t>(LeadingZeros(leaves_[i].first ^ leaves_[i + 1].first, kWidth));
            node.right = ~static_cast<int>(i + 1);
            int last = kNone;
            while (!stack.empty() && nodes_[stack.back()].prefix > node.prefix) {
                last = stack.back();
                stack.pop_back();
            }
            node.left = last != kNone ? last : ~static_cast<int>(i);
            if (last != kNone) nodes_[last].parent = static_cast<int>(i);
            if (!stack.empty()) {
                nodes_[stack.back()].right = static_cast<int>(i);
                node.parent = stack.back();
            }
            stack.push_back(static_cast<int>(i));
        }
        root_ = stack.front();
        // Children before parents: a child's network is longer.
        std::vector<std::vector<int>> byPrefix(kWidth + 1);
        for (std::size_t i = 0; i < count; ++i) byPrefix[nodes_[i].prefix].push_back(static_cast<int>(i));
        std::vector<Wide> inside(count);  // the set's addresses below
        for (unsigned prefix = kWidth + 1; prefix-- > 0;)
            for (const int v : byPrefix[prefix]) Settle(v, inside, forbidden);
    }

    // A node from its children: where it starts, and its unit.
    void Settle(int v, std::vector<Wide>& inside, const std::vector<Interval<Value>>& forbidden) {
        Node& node = nodes_[v];
        std::uint64_t entries = 0;
        Wide added = 0, held = 0;
        int heap = kNone;
        for (const int child : {node.left, node.right}) {
            if (child < 0) {
                entries += WholeEntries(leaves_[~child].prefix);
                held += Size(leaves_[~child].prefix);
            } else {
                entries += nodes_[child].entries;
                added += nodes_[child].added;
                held += inside[child];
                heap = Merge(heap, heapOf_[child]);
            }
        }
        inside[v] = held;
        const Wide first = FirstOf(node, static_cast<std::size_t>(v));
        const Wide last = first + (Size(node.prefix) - 1);
        const auto meets = std::lower_bound(forbidden.begin(), forbidden.end(), first,
                                            [](const Interval<Value>& f, Wide at) { return WideOf(f.last) < at; });
        node.forced = meets != forbidden.end() && WideOf(meets->first) <= last;
        node.whole = Size(node.prefix) - held;  // wraps to the right count for the whole IPv6 space
        const std::uint64_t whole = WholeEntries(node.prefix);
        if (node.forced || whole >= entries) {
            node.forced = true;
            node.entries = entries;
            node.added = added;
        } else {
            node.entries = whole;
            node.added = node.whole;
            node.unitEntries = node.ownEntries = entries - whole;
            node.unitSaves = node.ownSaves = node.whole - added;
            // What pays better below is taken at the same time: splitting
            // here alone would leave the hull.
            while (heap != kNone && PaysMore(heap, v)) {
                const int top = heap;
                heap = Pop(heap);
                nodes_[top].nextAbsorbed = node.absorbed;
                node.absorbed = top;
                node.unitEntries += nodes_[top].unitEntries;
                node.unitSaves += nodes_[top].unitSaves;
            }
            heap = Merge(heap, Single(v));
        }
        heapOf_[v] = heap;
    }

    // Addresses saved per entry, a's against b's.
    int PriceOrder(int a, int b) const {
        const Node &x = nodes_[a], &y = nodes_[b];
        return Compare(Times(x.unitSaves, y.unitEntries), Times(y.unitSaves, x.unitEntries));
    }
    bool PaysMore(int a, int b) const { return PriceOrder(a, b) > 0; }
    // The order units are taken in: best paying first, an ancestor before its descendants.
    bool Before(int a, int b) const {
        const int order = PriceOrder(a, b);
        if (order != 0) return order > 0;
        if (nodes_[a].prefix != nodes_[b].prefix) return nodes_[a].prefix < nodes_[b].prefix;
        return a < b;
    }

    // A leftist heap of units, in the nodes themselves.
    int Single(int v) {
        nodes_[v].heapLeft = nodes_[v].heapRight = kNone;
        nodes_[v].rank = 1;
        return v;
    }
    unsigned Rank(int v) const { return v == kNone ? 0 : nodes_[v].rank; }
    int Merge(int a, int b) {
        if (a == kNone) return b;
        if (b == kNone) return a;
        if (Before(b, a)) std::swap(a, b);
        Node& top = nodes_[a];
        top.heapRight = Merge(top.heapRight, b);
        if (Rank(top.heapLeft) < Rank(top.heapRight)) std::swap(top.heapLeft, top.heapRight);
        top.rank = static_cast<std::uint8_t>(std::min(255u, Rank(top.heapRight) + 1));
        return a;
    }
    int Pop(int heap) { return Merge(nodes_[heap].heapLeft, nodes_[heap].heapRight); }

    bool Split(int v) const { return nodes_[v].forced || nodes_[v].split; }
    // The nearest node above that is kept whole, or kNone.
    int WholeAbove(int v) const {
        for (int up = nodes_[v].parent; up != kNone; up = nodes_[up].parent)
            if (!Split(up)) return up;
        return kNone;
    }

    // Splits the unit's nodes; what waited for them goes back to the heap.
    void Take(int unit, int& heap) {
        std::vector<int> pending{unit};
        while (!pending.empty()) {
            const int v = pending.back();
            pending.pop_back();
            nodes_[v].split = true;
            for (int w = nodes_[v].absorbed; w != kNone; w = nodes_[w].nextAbsorbed) pending.push_back(w);
            for (int w = std::exchange(nodes_[v].parked, kNone); w != kNone;) {
                const int next = nodes_[w].nextParked;
                heap = Merge(heap, Single(w));
                w = next;
            }
        }
    }

    // A unit too large for the room left comes apart: its node's own split,
    // and each unit it took in, which then waits for that split.
    bool Unpack(int unit, int& heap) {
        Node& node = nodes_[unit];
        if (node.absorbed == kNone) return false;
        for (int w = std::exchange(node.absorbed, kNone); w != kNone;) {
            const int next = nodes_[w].nextAbsorbed;
            nodes_[w].nextAbsorbed = kNone;
            heap = Merge(heap, Single(w));
            w = next;
        }
        node.unitEntries = node.ownEntries;
        node.unitSaves = node.ownSaves;
        heap = Merge(heap, Single(unit));
        return true;
    }

    // Takes units, best paying first, while they fit; the first that does
    // not sets the price the bound is taken at. Past it, what fits of the
    // rest is still taken: a unit too large comes apart, and a unit under a
    // node kept whole waits for that node's split.
    void Choose(std::uint64_t budget) {
        std::uint64_t entries = nodes_[root_].entries;
        Wide added = nodes_[root_].added;
        for (int heap = heapOf_[root_]; heap != kNone;) {
            const int unit = heap;
            heap = Pop(heap);
            const Node& node = nodes_[unit];
            // Saving nothing, it is taken only for what waits for it.
            if (node.unitSaves == 0 && node.parked == kNone) continue;
            if (const int above = WholeAbove(unit); above != kNone) {
                nodes_[unit].nextParked = nodes_[above].parked;
                nodes_[above].parked = unit;
                continue;
            }
            if (entries + node.unitEntries <= budget) {
                entries += node.unitEntries;
                added -= node.unitSaves;
                Take(unit, heap);
                continue;
            }
            if (!bound_) {
                // The best cover of the budget adds no less than the line
                // through this cover at this unit's price reaches there.
                const std::uint64_t room = budget - entries, per = node.unitEntries;
                const Wide saves = node.unitSaves;
                bound_ = added - (saves / per * room + saves % per * room / per);
            }
            Unpack(unit, heap);
        }
    }

    // The cover chosen, as the set, in address order.
    void Cover(std::vector<Interval<Value>>& set, EntryFit& fit) {
        std::vector<Interval<Value>> cover;
        std::vector<std::pair<Wide, int>> largest;  // what a whole node adds, most first
        std::vector<int> pending{root_};
        Wide added = 0;
        while (!pending.empty()) {
            const int at = pending.back();
            pending.pop_back();
            if (at < 0) {
                const Leaf& leaf = leaves_[~at];
                cover.push_back(NetworkOf(ValueOf<Value>(leaf.first), leaf.prefix));
                continue;
            }
            if (Split(at)) {
                pending.push_back(nodes_[at].right);
                pending.push_back(nodes_[at].left);
                continue;
            }
            const Node& node = nodes_[at];
            cover.push_back(NetworkOf(ValueOf<Value>(FirstOf(node, static_cast<std::size_t>(at))), node.prefix));
            added += node.whole;
            largest.emplace_back(node.whole, at);
            std::sort(largest.begin(), largest.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
            if (largest.size() > kMostLargestAdded) largest.pop_back();
        }
        for (const auto& [addresses, at] : largest)
            fit.largest.push_back({setjob::IntervalText(NetworkOf(ValueOf<Value>(FirstOf(nodes_[at], static_cast<std::size_t>(at))),
                                                                  nodes_[at].prefix)),
                                   {TotalValue(addresses), false}});
        set = UnionOf(std::move(cover));
        fit.added = {TotalValue(added), false};
        fit.gap = {TotalValue(bound_ ? added - *bound_ : 0), false};
        const AddressTotal networks = NetworkCountOf(set, PrefixLengths().set());
        fit.after = networks.value.low + (halves_ && set.size() == 1 && set[0].first == Value{} &&
                                                  set[0].last == kLastAddress<Value>
                                              ? 1
                                              : 0);
    }

    bool halves_;
    std::vector<Leaf> leaves_;
    std::uint64_t entries_ = 0;
    std::vector<Node> nodes_;
    std::vector<int> heapOf_;  // each settled node's heap of units
    int root_ = kNone;
    // No cover of the budget adds fewer addresses: known once a unit did not fit.
    std::optional<Wide> bound_;
};

}  // namespace

template <typename Value>
EntryFit FitIntoEntries(std::vector<Interval<Value>>& set, const std::vector<Interval<Value>>& forbidden,
                        std::uint64_t budget, bool halvesForWhole) {
    CoverTree<Value> tree(set, halvesForWhole);
    // What the set holds is never forbidden: a protected address in it is the guards' to refuse.
    return tree.Fit(set, DifferenceOf(forbidden, set), budget);
}

template <typename Value>
Widening WidenNetworks(std::vector<Interval<Value>>& set, const std::vector<Interval<Value>>& forbidden,
                       unsigned prefix, std::uint64_t least) {
    constexpr unsigned width = kAddressWidth<Value>;
    const Value hostBits = LowOnes<Value>(width - prefix);
    std::vector<Interval<Value>> blocks;
    Widening widening{.any = !set.empty()};
    // The block being counted, and the set's addresses in it (past least, no matter how many).
    std::optional<Value> block;
    Wide held = 0, missing = 0;  // missing: what the blocks lack of being whole
    auto finish = [&] {
        if (!block || held < least) return;
        const Interval<Value> whole{*block, static_cast<Value>(*block | hostBits)};
        if (held - 1 == WideOf(hostBits)) return;  // one already whole adds nothing
        blocks.push_back(whole);
        missing += WideOf(hostBits) - (held - 1);
    };
    auto count = [&](Value at, Wide addresses) {
        const Value of = at & ~hostBits;
        if (!block || *block != of) {
            finish();
            block = of;
            held = 0;
        }
        held = held + addresses < held ? ~Wide{0} : held + addresses;
    };
    for (const Interval<Value>& interval : set) {
        const Value firstBlock = interval.first & ~hostBits, lastBlock = interval.last & ~hostBits;
        if (firstBlock == lastBlock) {
            count(interval.first, WideOf(static_cast<Value>(interval.last - interval.first)) + 1);
            continue;
        }
        // The blocks between are the set's whole already.
        count(interval.first, WideOf(static_cast<Value>((firstBlock | hostBits) - interval.first)) + 1);
        count(interval.last, WideOf(static_cast<Value>(interval.last - lastBlock)) + 1);
    }
    finish();
    if (blocks.empty()) return widening;
    if (forbidden.empty()) {
        // Each block adds what the set did not hold of it: one pass.
        widening.added = {TotalValue(missing), false};
        widening.networks = blocks.size();
        set = UnionOfSorted(set, blocks);
        return widening;
    }
    const std::vector<Interval<Value>> added = DifferenceOf(DifferenceOf(blocks, forbidden), set);
    widening.added = TotalOf(added);
    // A block counts as widened when any of it was added.
    for (std::size_t b = 0, a = 0; b < blocks.size(); ++b) {
        while (a < added.size() && added[a].last < blocks[b].first) ++a;
        if (a < added.size() && added[a].first <= blocks[b].last) ++widening.networks;
    }
    set = UnionOfSorted(set, added);
    return widening;
}

template EntryFit FitIntoEntries(std::vector<Interval4>&, const std::vector<Interval4>&, std::uint64_t, bool);
template EntryFit FitIntoEntries(std::vector<Interval6>&, const std::vector<Interval6>&, std::uint64_t, bool);
template Widening WidenNetworks(std::vector<Interval4>&, const std::vector<Interval4>&, unsigned, std::uint64_t);
template Widening WidenNetworks(std::vector<Interval6>&, const std::vector<Interval6>&, unsigned, std::uint64_t);

}  // namespace orvane
