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

namespace {

constexpr int SYMBOL_BITS = 32;
constexpr uint64_t SYMBOL_MASK = (uint64_t{1} << SYMBOL_BITS) - 1;

// The Huffman tree over the used symbols, lightest first: leaves 0 to n-1 in
// that order, then the merged nodes in the order they are made. The block
// splitter builds codes for every few KiB of input, so the tree lives in
// fixed arrays on the stack rather than in containers.
class HuffmanTree {
public:
    // keys: frequency and symbol packed, sorted. Counts the leaves of each
    // depth into count (depths past max_length as max_length).
    void count_depths(const uint64_t* keys, size_t leaves, int max_length, uint32_t* count) {
        size_t next_leaf = 0, next_inner = leaves, made = leaves;
        auto weight = [&](size_t node) { return node < leaves ? keys[node] >> SYMBOL_BITS : weight_[node]; };
        auto take_lightest = [&]() {
            bool leaf = next_leaf < leaves && (next_inner >= made || weight(next_leaf) <= weight(next_inner));
            return leaf ? next_leaf++ : next_inner++;
        };
        for (; made < 2 * leaves - 1; ++made) {
            size_t a = take_lightest(), b = take_lightest();
            weight_[made] = weight(a) + weight(b);
            parent_[a] = parent_[b] = static_cast<uint16_t>(made);
        }
        // Depths from the root down: a parent is made after its children.
        depth_[made - 1] = 0;
        for (size_t node = made - 1; node-- > 0;) {
            depth_[node] = static_cast<uint16_t>(depth_[parent_[node]] + 1);
            if (node < leaves) ++count[std::min<int>(depth_[node], max_length)];
        }
    }

private:
    static constexpr size_t MAX_NODES = 2 * MAX_SYMBOLS;
    uint64_t weight_[MAX_NODES];
    uint16_t parent_[MAX_NODES];
    uint16_t depth_[MAX_NODES];
};

}  // namespace

std::vector<uint8_t> build_code_lengths(const std::vector<uint32_t>& freqs, int max_length) {
    return build_code_lengths(freqs.data(), freqs.size(), max_length);
}

std::vector<uint8_t> build_code_lengths(const uint32_t* freqs, size_t symbols, int max_length) {
    std::vector<uint8_t> lengths(symbols, 0);
    // Lightest first; ties by symbol, so the result never depends on the sort.
    // Frequency and symbol are packed into one number, which sorts several
    // times faster than symbols compared through the table.
    uint64_t keys[MAX_SYMBOLS];
    size_t used = 0;
    for (size_t s = 0; s < symbols; ++s)
        if (freqs[s] != 0) keys[used++] = uint64_t{freqs[s]} << SYMBOL_BITS | s;
    if (used < 2) return lengths;
    std::sort(keys, keys + used);
    uint32_t count[MAX_CODE_LENGTH + 1] = {};
    HuffmanTree tree;  // left uninitialised: count_depths writes each entry before reading it
    tree.count_depths(keys, used, max_length, count);

    uint64_t kraft = 0;  // in units of 2^-max_length
    for (int length = 1; length <= max_length; ++length)
        kraft += uint64_t{count[length]} << (max_length - length);
    const uint64_t full = uint64_t{1} << max_length;
    while (kraft > full) {
        --count[max_length];
        for (int length = max_length - 1; length > 0; --length) {
            if (count[length] == 0) continue;
            --count[length];
            count[length + 1] += 2;
            break;
        }
        --kraft;
    }
    // Deal the lengths out: the heaviest symbols (at the end of keys) get the shortest.
    size_t next = used;
    for (int length = 1; length <= max_length; ++length)
        for (uint32_t i = 0; i < count[length]; ++i)
            lengths[keys[--next] & SYMBOL_MASK] = static_cast<uint8_t>(length);
    return lengths;
}

std::vector<uint16_t> canonical_codes(const std::vector<uint8_t>& lengths) {
    uint32_t count[MAX_CODE_LENGTH + 1] = {};
    for (uint8_t length : lengths)
        if (length <= MAX_CODE_LENGTH) ++count[length];
    // Each length's codes follow the shorter ones', in the symbols' order.
    uint32_t next[MAX_CODE_LENGTH + 1] = {};
    for (int length = 1, code = 0; length <= MAX_CODE_LENGTH; ++length) {
        next[length] = static_cast<uint32_t>(code);
        code = static_cast<int>((next[length] + count[length]) << 1);
    }
    std::vector<uint16_t> codes(lengths.size(), 0);
    for (size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s] >= 1 && lengths[s] <= MAX_CODE_LENGTH) codes[s] = static_cast<uint16_t>(next[lengths[s]]++);
    return codes;
}
