// Length-limited Huffman code lengths.
//
// First the plain Huffman tree: the symbols sorted by frequency, then the two
// lightest nodes merged again and again (two queues: leaves in sorted order,
// merged nodes in the order they are made, which is sorted too, so no heap is
// needed). A leaf's depth is its length.
//
// Then the limit, by the heuristic LHA's and miniz's encoders use: every
// length over the limit becomes the limit, which overfills the code space
// (the Kraft sum exceeds 1); while it does, one code of the longest length is
// taken away and a code one level shorter is split into two one level
// longer, each step freeing exactly one slot at the deepest level. Finally
// the lengths are dealt out again, the shortest to the most frequent symbols,
// so frequent symbols never lose by the adjustment. Near the limit the result
// is a little longer than the optimum of package-merge, but the limit is
// reached only by blocks with extremely skewed statistics.
#include "code_lengths.h"

#include <algorithm>
#include <numeric>

namespace {

struct Node {
    uint64_t weight;
    int left, right;  // children; -1 for a leaf
};

// Depth of every leaf of the Huffman tree over the sorted symbols.
std::vector<int> huffman_depths(const std::vector<uint32_t>& freqs, const std::vector<int>& order) {
    size_t leaves = order.size();
    std::vector<Node> nodes;
    nodes.reserve(2 * leaves);
    for (int symbol : order)
        nodes.push_back({freqs[static_cast<size_t>(symbol)], -1, -1});
    size_t next_leaf = 0, next_inner = leaves;
    auto take_lightest = [&]() {
        bool leaf = next_leaf < leaves && (next_inner >= nodes.size() ||
                                           nodes[next_leaf].weight <= nodes[next_inner].weight);
        return static_cast<int>(leaf ? next_leaf++ : next_inner++);
    };
    for (size_t merged = 1; merged < leaves; ++merged) {
        int a = take_lightest();
        int b = take_lightest();
        nodes.push_back(
            {nodes[static_cast<size_t>(a)].weight + nodes[static_cast<size_t>(b)].weight, a, b});
    }
    // Depths from the root down: children always come before their parent.
    std::vector<int> depth(nodes.size(), 0);
    for (size_t i = nodes.size(); i-- > leaves;) {
        depth[static_cast<size_t>(nodes[i].left)] = depth[i] + 1;
        depth[static_cast<size_t>(nodes[i].right)] = depth[i] + 1;
    }
    depth.resize(leaves);
    return depth;
}

}  // namespace

std::vector<uint8_t> build_code_lengths(const std::vector<uint32_t>& freqs, int max_length) {
    std::vector<uint8_t> lengths(freqs.size(), 0);
    std::vector<int> order;
    for (size_t s = 0; s < freqs.size(); ++s)
        if (freqs[s] != 0) order.push_back(static_cast<int>(s));
    if (order.size() < 2) return lengths;
    // Lightest first; ties by symbol, so the result never depends on the sort.
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return freqs[static_cast<size_t>(a)] != freqs[static_cast<size_t>(b)]
                   ? freqs[static_cast<size_t>(a)] < freqs[static_cast<size_t>(b)]
                   : a < b;
    });
    std::vector<int> depth = huffman_depths(freqs, order);

    std::vector<uint32_t> count(static_cast<size_t>(max_length) + 1, 0);
    for (int d : depth)
        ++count[static_cast<size_t>(std::min(d, max_length))];
    uint64_t kraft = 0;  // in units of 2^-max_length
    for (int length = 1; length <= max_length; ++length)
        kraft += uint64_t{count[static_cast<size_t>(length)]} << (max_length - length);
    const uint64_t full = uint64_t{1} << max_length;
    while (kraft > full) {
        --count[static_cast<size_t>(max_length)];
        for (int length = max_length - 1; length > 0; --length) {
            if (count[static_cast<size_t>(length)] == 0) continue;
            --count[static_cast<size_t>(length)];
            count[static_cast<size_t>(length) + 1] += 2;
            break;
        }
        --kraft;
    }
    // Deal the lengths out: the heaviest symbols (at the end of order) get the shortest.
    size_t next = order.size();
    for (int length = 1; length <= max_length; ++length)
        for (uint32_t i = 0; i < count[static_cast<size_t>(length)]; ++i)
            lengths[static_cast<size_t>(order[--next])] = static_cast<uint8_t>(length);
    return lengths;
}

std::vector<uint16_t> canonical_codes(const std::vector<uint8_t>& lengths) {
    std::vector<uint16_t> codes(lengths.size(), 0);
    uint32_t code = 0;
    for (int length = 1; length <= MAX_CODE_LENGTH; ++length) {
        for (size_t s = 0; s < lengths.size(); ++s)
            if (lengths[s] == length) codes[s] = static_cast<uint16_t>(code++);
        code <<= 1;
    }
    return codes;
}
