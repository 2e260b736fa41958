// -lh1- and -lh2- decoding. Besides the codes of a fresh tree, the streams
// come from a small encoder of the same adaptive model written here from
// scratch: it finds a node's equal-weight leader by scanning instead of
// keeping blocks, and rebuilds by merging, so a slip in the decoder's
// bookkeeping shows as wrong output.
#include <gtest/gtest.h>

#include <bitset>
#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/bit_writer.h"
#include "support/engine_runner.h"

namespace {

constexpr int LH1 = 1;
constexpr int LH2 = 2;
constexpr int MATCH_BIAS = 253;  // character code of a match = length + 253
constexpr int LH2_ESCAPE = 285;
constexpr int HALVE_AT = 0x8000;
constexpr int PINNED_ROOT = 0xFFFF;
constexpr int STEP = 64;

// One adaptive tree. Node 0 is the root; weights never grow with the node
// number; an internal node's children are child and child - 1; a leaf holds
// the complement of its symbol.
struct Tree {
    std::vector<int> child, parent, freq, leaf;
    int rebuilds = 0;

    Tree(int nodes, int symbols) : child(nodes), parent(nodes), freq(nodes), leaf(symbols, -1) {}

    void link(int node) {
        if (child[node] < 0)
            leaf[~child[node]] = node;
        else
            parent[child[node]] = parent[child[node] - 1] = node;
    }
    std::string code(int symbol) const {
        std::string bits;
        for (int q = leaf[symbol]; q != 0; q = parent[q])
            bits.insert(bits.begin(), q == child[parent[q]] - 1 ? '1' : '0');
        return bits;
    }
    // Raises the weights from the symbol's leaf up to the root's children,
    // each after moving the node in front of its equal-weight run.
    void raise(int symbol) {
        for (int q = leaf[symbol]; q != 0; q = parent[q]) {
            int first = q;
            while (first > 1 && freq[first - 1] == freq[q]) --first;
            std::swap(child[q], child[first]);
            link(q);
            link(first);
            ++freq[first];
            q = first;
        }
    }
    // Halves the leaves (rounding up) and pairs nodes from the back; each
    // pair's parent goes in front of the leaves it is not lighter than.
    void rebuild(int nodes) {
        std::vector<std::pair<int, int>> leaves;  // weight, child value
        for (int i = 0; i < nodes; ++i)
            if (child[i] < 0) leaves.push_back({(freq[i] + 1) / 2, child[i]});
        auto take_leaf = [&](int i) {
            std::tie(freq[i], child[i]) = leaves.back();
            leaves.pop_back();
        };
        for (int i = nodes - 1, l = nodes - 2; i >= 0; l -= 2) {
            for (; i >= l; --i) take_leaf(i);
            int f = freq[l] + freq[l + 1];
            for (; !leaves.empty() && leaves.back().first <= f; --i) take_leaf(i);
            freq[i] = f;
            child[i--] = l + 1;
        }
        for (int i = 0; i < nodes; ++i) link(i);
        ++rebuilds;
    }
};

// Writes a stream token by token and keeps the output it stands for.
struct Encoder {
    explicit Encoder(int method)
        : method(method), symbols(method == LH1 ? 314 : 286), nodes(2 * symbols - 1),
          chars(nodes, symbols), positions(2 * 128, 128) {
        // All leaves weigh 1, symbol 0 last: rebuilding them gives the fresh tree.
        for (int i = 0; i < symbols; ++i) chars.child[nodes - 1 - i] = ~i;
        for (int i = symbols - 1; i < nodes; ++i) chars.freq[i] = 1;
        chars.rebuild(nodes);
        chars.rebuilds = 0;
        positions.child[0] = ~0;
        positions.freq[0] = 1;
        positions.link(0);
    }
    void literal(uint8_t byte) {
        put_char(byte);
        out.push_back(byte);
    }
    // Returns the bits of the position code it wrote.
    std::string match(int length, int position) {
        int code = length + MATCH_BIAS;
        if (method == LH2 && code >= LH2_ESCAPE) {
            put_char(LH2_ESCAPE);
            bits.put(code - LH2_ESCAPE, 8);
        } else {
            put_char(code);
        }
        std::string code_bits = method == LH1 ? ready_code(position / STEP) : adaptive_code(position / STEP);
        bits.put(code_bits.c_str()).put(position % STEP, 6);
        copy_match(out, position + 1, length);
        return code_bits;
    }
    // The positions a match may use now: all admitted codes, 64 each.
    int reach() { return method == LH1 ? 4096 : (admit(), codes * STEP); }

    void put_char(int symbol) {
        bits.put(chars.code(symbol).c_str());
        if (chars.freq[0] == HALVE_AT) chars.rebuild(nodes);
        ++chars.freq[0];
        chars.raise(symbol);
    }
    // -lh1-: canonical code over the ready lengths 3 (code 0), 4 (1-3),
    // 5 (4-11), 6 (12-23), 7 (24-47) and 8 bits (48-63).
    static std::string ready_code(int p) {
        static const int first[] = {0, 1, 4, 12, 24, 48, 64};
        int level = 0, value = 0;  // value: the first code of the level's length
        for (; p >= first[level + 1]; ++level) value = (value + first[level + 1] - first[level]) << 1;
        return std::bitset<8>(value + p - first[level]).to_string().substr(5 - level);
    }
    void admit() {
        for (; static_cast<int64_t>(out.size()) > next_code_at && codes < 128; next_code_at += STEP) {
            int m = last, p = codes++;
            positions.child[m + 1] = positions.child[m];
            positions.freq[m + 1] = positions.freq[m];
            positions.child[m + 2] = ~p;
            positions.freq[m + 2] = 0;
            positions.child[m] = m + 2;
            for (int i = m; i <= m + 2; ++i) positions.link(i);
            if (m == 0) positions.freq[0] = PINNED_ROOT;
            last = m + 2;
            update_position(p);
        }
    }
    std::string adaptive_code(int p) {
        admit();
        std::string code_bits = positions.code(p);
        update_position(p);
        return code_bits;
    }
    void update_position(int p) {
        if (position_total == HALVE_AT) {
            positions.rebuild(last + 1);
            position_total = positions.freq[0];
            positions.freq[0] = PINNED_ROOT;
        }
        // While code 0 is the root, its uses still count (as jlha counts them).
        if (positions.leaf[p] == 0) ++positions.freq[0];
        positions.raise(p);
        ++position_total;
    }

    int method, symbols, nodes;
    Tree chars, positions;
    int codes = 1, last = 0, position_total = 0;
    int64_t next_code_at = STEP;
    BitWriter bits;
    Bytes out;
};

}  // namespace

TEST(DynamicHuffmanFresh, FirstCodesOfBothMethods) {
    // Literal 0 and the longest direct match are the extreme leaves.
    EXPECT_EQ(expand_bytes(BitWriter().put("110001100").bytes(), LH1, 1).output, Bytes{0});
    EXPECT_EQ(expand_bytes(BitWriter().put("11000101 000 000101").bytes(), LH1, 60).output,
              Bytes(60, ' '));
    EXPECT_EQ(expand_bytes(BitWriter().put("111000100").bytes(), LH2, 1).output, Bytes{0});
    // The escape plus 255 is a 287-byte match; the first position has no code bits.
    EXPECT_EQ(expand_bytes(BitWriter().put("11100001 11111111 000101").bytes(), LH2, 287).output,
              Bytes(287, ' '));
}

TEST(DynamicHuffmanLh1, ReadyPositionCodesReachTheWholeWindow) {
    Encoder e(LH1);
    for (char c : std::string("abcdefgh")) e.literal(static_cast<uint8_t>(c));
    EXPECT_EQ(e.match(4, 5), "000");  // code 0 is 000: 000 000101 is position 5
    for (int position : {4095, 4032, 4031, 64, 63, 1023, 0}) {
        for (int i = 0; i < 50; ++i) e.literal(static_cast<uint8_t>(i * 7));
        e.match(60, position);
    }
    expect_decodes_to(e.bits.bytes(), LH1, e.out);
}

TEST(DynamicHuffmanLh2, PositionCodesAreAdmittedAsTheOutputPassesEachStep) {
    Encoder e(LH2);
    for (int i = 0; i < 20; ++i) e.literal(static_cast<uint8_t>('a' + i % 5));
    EXPECT_EQ(e.match(4, 3), "");  // a single leaf: the code costs no bits
    EXPECT_EQ(e.match(5, 9), "");
    while (e.out.size() < STEP) e.literal('x');
    EXPECT_EQ(e.match(3, 40), "");  // exactly 64 bytes: code 1 not admitted yet
    // From 67 bytes on there are two codes. Code 0 brings the weight of its
    // three uses (weight 4), so code 1 (weight 1) overtakes it only on its
    // fourth use; without those uses it would on its first.
    EXPECT_EQ(e.match(3, 70), "0");
    EXPECT_EQ(e.match(3, 75), "0");
    EXPECT_EQ(e.match(3, 80), "0");
    EXPECT_EQ(e.match(3, 85), "0");
    EXPECT_EQ(e.match(3, 90), "1");
    // One long match passes several steps; all their codes arrive together.
    e.match(287, 100);
    e.match(9, 5 * STEP + 17);
    e.match(30, 2 * STEP);
    e.match(32, 4 * STEP + 63);
    expect_decodes_to(e.bits.bytes(), LH2, e.out);
}

TEST(DynamicHuffman, LongRandomStreamsRebuildBothTrees) {
    for (int method : {LH2, LH1}) {
        SCOPED_TRACE(method);
        std::mt19937 rng(method);
        Encoder e(method);
        const int longest = method == LH1 ? 60 : 287;
        auto rebuilt_enough = [&] {
            return e.chars.rebuilds >= 3 && (method == LH1 || e.positions.rebuilds >= 2);
        };
        int tail = 2000;  // symbols coded with the rebuilt trees
        while (tail > 0) {
            tail -= rebuilt_enough();
            unsigned r = rng();
            if (r % 3 == 0) {  // a skewed alphabet gives the tree many shapes
                e.literal(static_cast<uint8_t>(r % 5 == 0 ? r >> 8 : (r >> 8) % 12));
            } else {
                int reach = e.reach();
                int position = r % 7 == 0 ? reach - 1 : static_cast<int>((r >> 4) % reach);
                int length = r % 11 == 0 ? longest - static_cast<int>(r >> 20) % 40
                                         : 3 + static_cast<int>(r >> 24) % 6;
                e.match(length, position);
            }
        }
        expect_decodes_to(e.bits.bytes(), method, e.out);
        // Again: nothing lingers from the previous member.
        expect_decodes_to(e.bits.bytes(), method, e.out);
    }
}

TEST(DynamicHuffman, DataThatRunsOutLongBeforeTheMemberSizeIsDamaged) {
    // Any bits walk to leaves, so only the data's end can tell: past it the
    // reader supplies zeros for a while, then reports the member damaged
    // rather than making 100,000 bytes out of 3,000 bytes of garbage.
    std::mt19937 rng(7);
    Bytes garbage(3000);
    for (uint8_t& b : garbage) b = static_cast<uint8_t>(rng());
    for (int method : {LH1, LH2}) {
        for (const Bytes& input : {Bytes(), garbage}) {
            Expanded got = expand_bytes(input, method, 100000);
            EXPECT_TRUE(got.damaged);
            EXPECT_LT(got.output.size(), 100000u);
        }
    }
}
