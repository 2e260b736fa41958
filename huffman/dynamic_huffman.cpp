// -lh1- and -lh2-: adaptive Huffman codes that encoder and decoder update
// after every symbol, so the stream carries no code tables.
//
// Characters (literal bytes and match lengths) always go through an adaptive
// tree. -lh1- codes the upper 6 bits of a match position with a fixed code
// (ready_positions.h); -lh2- uses a second adaptive tree whose set of
// position codes grows as the output grows, since a short output cannot
// reach far back.
//
// Both trees live in one set of node arrays. Nodes are numbered so that
// weights never increase with the node number, and the two children of an
// internal node are always the adjacent nodes n and n - 1; a node's weight is
// the sum of its children's. Raising a leaf's weight by one then keeps that
// order if, on every level up to the root, the node whose weight grows is
// first exchanged with the lowest-numbered node of equal weight. To find that
// node in one step, runs of equal weight are kept as numbered blocks that
// record their lowest-numbered node (the leader).
//
// The decode loop runs both methods through AdaptiveCodes: the character
// walk on the bit cursor, the -lh1- positions from the ready-made table
// inline, the -lh2- positions through their operation.
#include "bit_cursor.h"
#include "code_tables.h"
#include "decode_loop.h"
#include "ready_positions.h"

namespace HUFFMAN {

namespace {

constexpr int ESCAPE_BITS = 8;     // an escape is followed by this many bits of extra length
constexpr int NO_ESCAPE = 512;     // beyond every symbol: the method has no escape

constexpr int LH1_CHAR_SYMBOLS = 314;  // literals + match lengths 3..60
constexpr int LH1_ESCAPE = NO_ESCAPE;
constexpr int LH1_POSITION_CODES = 64;
constexpr int LH2_CHAR_SYMBOLS = 286;  // literals + lengths 3..31 + escape (lengths 32..287)
constexpr int LH2_ESCAPE = LH2_CHAR_SYMBOLS - 1;

constexpr int MAX_CHAR_SYMBOLS = LH1_CHAR_SYMBOLS;
constexpr int MAX_POSITION_CODES = 128;  // an 8 KB dictionary in steps of 64
constexpr int CHAR_ROOT = 0;
constexpr int CHAR_TREE_NODES = 2 * MAX_CHAR_SYMBOLS;  // nodes 0..627
constexpr int POSITION_ROOT = CHAR_TREE_NODES;         // nodes 628..883
constexpr int TOTAL_NODES = POSITION_ROOT + 2 * MAX_POSITION_CODES;
// Leaves are found by symbol: characters first, then position code p at
// POSITION_SYMBOL_BASE + p.
constexpr int POSITION_SYMBOL_BASE = MAX_CHAR_SYMBOLS;
constexpr int SYMBOL_LEAVES = MAX_CHAR_SYMBOLS + MAX_POSITION_CODES;

// At this total the weights of a tree are halved, so they keep fitting in 16
// bits and old statistics fade.
constexpr uint16_t REBUILD_WEIGHT = 0x8000;
// The position root's weight once the tree has two leaves: never equal to a
// child's, so the root never joins a block its children could be moved into.
constexpr uint16_t PINNED_ROOT_WEIGHT = 0xFFFF;
// Every this many output bytes one more position code becomes possible.
constexpr int64_t POSITION_STEP = 64;
constexpr int64_t NO_MORE_CODES = INT64_MAX;

// The first block number handed out: block 0 is never used (it marks nodes
// outside a tree), block 1 holds the initial character leaves.
constexpr int INITIAL_LEAF_BLOCK = 1;
constexpr int FIRST_FREE_BLOCK = 2;

// A sound tree is a Huffman tree of weights that total below 2^16, so no path
// is longer than about 24 bits; a walk peeks this many at once, all the reader
// guarantees after a fill, and refuses a longer path as a broken tree.
constexpr int WALK_BITS = MIN_WINDOW_BITS;

// Internal node: the higher-numbered of its two children. Leaf: the
// complement of its symbol, always negative.
int16_t node_child[TOTAL_NODES];
int16_t node_parent[TOTAL_NODES];  // not kept for the roots
int16_t node_block[TOTAL_NODES];
uint16_t node_freq[TOTAL_NODES];
int16_t block_leader[TOTAL_NODES];  // by block number: its lowest-numbered node
// A stack of block numbers; entries below free_block_count are in use, the
// next one to hand out is free_blocks[free_block_count].
int16_t free_blocks[TOTAL_NODES];
int free_block_count;
int16_t symbol_leaf[SYMBOL_LEAVES];

int char_symbol_count;
int escape_symbol;

int last_position_node;   // highest-numbered node of the position tree
int position_limit;       // dictionary size: positions are below it
int64_t next_code_at;     // output count beyond which the next code is admitted
uint16_t position_total;  // position symbols since the last rebuild (the root's pinned)

// ---------------------------------------------------------------- blocks

// Makes node p the sole member and leader of a new block.
void open_block(int p) {
    // Every block holds at least one node and no block number is lost, so the
    // stack cannot run dry; this guards against our own bookkeeping bugs.
    if (free_block_count >= TOTAL_NODES) throw HUF_ERROR;
    int b = free_blocks[free_block_count++];
    node_block[p] = static_cast<int16_t>(b);
    block_leader[b] = static_cast<int16_t>(p);
}

void release_block(int b) {
    if (free_block_count <= 0) throw HUF_ERROR;
    free_blocks[--free_block_count] = static_cast<int16_t>(b);
}

// Puts child value v (a node pair or a leaf) under node p and points the
// children, or the symbol, back at p.
void attach(int p, int v) {
    node_child[p] = static_cast<int16_t>(v);
    if (v >= 0) {
        node_parent[v] = node_parent[v - 1] = static_cast<int16_t>(p);
    } else {
        symbol_leaf[~v] = static_cast<int16_t>(p);
    }
}

// Raises node p's weight by one and returns the parent of the node that now
// carries the raised weight. If p shares its weight with lower-numbered
// nodes, its subtree first trades places with the block's leader, so the
// heavier node ends up in front of the rest of its old block. Inlined into
// the walk up the tree: a call per level costs -lh1- about 15 % (measured).
[[gnu::always_inline]] inline int increment_node(int p) {
    const int b = node_block[p];
    const int leader = block_leader[b];
    if (leader != p) {
        const int moved = node_child[p];
        attach(p, node_child[leader]);
        attach(leader, moved);
        p = leader;
    } else if (node_block[p + 1] != b) {
        // Alone in its block: the block keeps it, unless it now weighs as much
        // as the node in front and joins that node's block.
        if (++node_freq[p] == node_freq[p - 1]) {
            release_block(b);
            node_block[p] = node_block[p - 1];
        }
        return node_parent[p];
    }
    // p is the leader of a block with more members and leaves it at the front.
    block_leader[b] = static_cast<int16_t>(p + 1);
    if (++node_freq[p] == node_freq[p - 1]) {
        node_block[p] = node_block[p - 1];
    } else {
        open_block(p);
    }
    return node_parent[p];
}

// ---------------------------------------------------------------- rebuild

// Halves the leaf weights of the tree in nodes start .. end - 1 (rounding up,
// so no leaf drops to 0) and builds a new tree of the same order over them.
void rebuild_tree(int start, int end) {
    // Gather the leaves at the front, in their order, and give back every
    // block of the tree: the relink below hands out fresh ones.
    int j = start;
    for (int i = start; i < end; ++i) {
        if (node_child[i] < 0) {
            node_freq[j] = static_cast<uint16_t>((node_freq[i] + 1) / 2);
            node_child[j] = node_child[i];
            ++j;
        }
        if (block_leader[node_block[i]] == i) release_block(node_block[i]);
    }
    // From the back, pair the two lightest nodes not yet paired (l, l + 1)
    // and insert their parent among the remaining leaves, behind every leaf
    // that outweighs it, so weights still fall with the node number.
    --j;
    int i = end - 1;
    int l = end - 2;
    while (i >= start) {
        for (; i >= l; --i, --j) {
            node_freq[i] = node_freq[j];
            node_child[i] = node_child[j];
        }
        const unsigned f = static_cast<unsigned>(node_freq[l]) + node_freq[l + 1];
        int k = start;
        while (k < end && f < node_freq[k]) ++k;
        for (; j >= k; --i, --j) {
            node_freq[i] = node_freq[j];
            node_child[i] = node_child[j];
        }
        node_freq[i] = static_cast<uint16_t>(f);
        node_child[i] = static_cast<int16_t>(l + 1);
        --i;
        l -= 2;
    }
    // Point children and symbols at their new nodes and cut the nodes into
    // blocks of equal weight.
    unsigned run_weight = 0;
    for (i = start; i < end; ++i) {
        attach(i, node_child[i]);
        if (node_freq[i] == run_weight) {
            node_block[i] = node_block[i - 1];
        } else {
            open_block(i);
            run_weight = node_freq[i];
        }
    }
}

// ---------------------------------------------------------------- trees

// Builds the character tree in which every symbol weighs 1: symbol 0 is the
// last node, symbol n - 1 the first leaf, and the internal nodes pair the
// nodes behind them from the back.
void start_char_tree() {
    // All nodes, not just the character tree's: a stale block number behind
    // the position tree's last node could pass for a member of its block.
    for (int i = 0; i < TOTAL_NODES; ++i) {
        free_blocks[i] = static_cast<int16_t>(i);
        node_block[i] = 0;
    }
    const int n = char_symbol_count;
    int j = 2 * n - 2;
    for (int i = 0; i < n; ++i, --j) {
        node_freq[j] = 1;
        node_child[j] = static_cast<int16_t>(~i);
        node_block[j] = INITIAL_LEAF_BLOCK;
        symbol_leaf[i] = static_cast<int16_t>(j);
    }
    free_block_count = FIRST_FREE_BLOCK;
    block_leader[INITIAL_LEAF_BLOCK] = static_cast<int16_t>(n - 1);
    for (int i = 2 * n - 2; j >= CHAR_ROOT; --j, i -= 2) {
        node_freq[j] = static_cast<uint16_t>(node_freq[i] + node_freq[i - 1]);
        attach(j, i);
        if (node_freq[j] == node_freq[j + 1]) {
            node_block[j] = node_block[j + 1];
            block_leader[node_block[j]] = static_cast<int16_t>(j);
        } else {
            open_block(j);
        }
    }
}

// The position tree starts as a single leaf, position code 0, at its root:
// until the output passes one step every match is that close and its code
// costs no bits.
void start_position_tree(const MethodContext* context) {
    // Codes are admitted up to the dictionary size; the nodes hold 128 codes.
    if (context->dictionary_bits < 0 ||
        (int64_t{1} << context->dictionary_bits) > MAX_POSITION_CODES * POSITION_STEP)
        throw HUF_ERROR;
    node_freq[POSITION_ROOT] = 1;
    node_child[POSITION_ROOT] = static_cast<int16_t>(~POSITION_SYMBOL_BASE);
    symbol_leaf[POSITION_SYMBOL_BASE] = POSITION_ROOT;
    open_block(POSITION_ROOT);
    last_position_node = POSITION_ROOT;
    position_total = 0;
    position_limit = 1 << context->dictionary_bits;
    next_code_at = POSITION_STEP;
}

// Follows the stream's bits from a root whose child value is v down to a
// leaf and returns its symbol. A 1 bit selects the lower-numbered child.
int walk(MethodContext* context, int v) {
    uint32_t bits = peek_bits(WALK_BITS);
    int taken = 0;
    while (v > 0) {
        if (taken == WALK_BITS) throw HUF_ERROR;
        v = node_child[v - static_cast<int>(bits >> (WALK_BITS - 1))];
        bits <<= 1;
        ++taken;
    }
    fill_bits(context, taken);
    return ~v;
}

// Counts symbol c, whose leaf is node leaf (a rebuild moves it).
void update_char_tree(int c, int leaf) {
    if (node_freq[CHAR_ROOT] == REBUILD_WEIGHT) {
        rebuild_tree(CHAR_ROOT, 2 * char_symbol_count - 1);
        leaf = symbol_leaf[c];
    }
    // The root is raised here, so the loop below stops below it.
    ++node_freq[CHAR_ROOT];
    for (int q = leaf; q != CHAR_ROOT;) q = increment_node(q);
}

void update_position_tree(int p) {
    if (position_total == REBUILD_WEIGHT) {
        rebuild_tree(POSITION_ROOT, last_position_node + 1);
        position_total = node_freq[POSITION_ROOT];
        node_freq[POSITION_ROOT] = PINNED_ROOT_WEIGHT;
    }
    int q = symbol_leaf[POSITION_SYMBOL_BASE + p];
    // While code 0 is the only leaf it is the root, which no increment
    // reaches; its uses still count, so that it takes its true weight below
    // the root at the first split. jlha writes -lh2- with this weight; its
    // archives go wrong from the first split on without it.
    if (q == POSITION_ROOT) ++node_freq[POSITION_ROOT];
    while (q != POSITION_ROOT) q = increment_node(q);
    ++position_total;
}

// Splits the position tree's last leaf m into an internal node over m's old
// leaf (moved to m + 1) and a leaf for code p (m + 2), which starts at weight
// 0 and then counts as decoded once, so it weighs 1 like a fresh symbol.
void add_position_code(int p) {
    const int m = last_position_node;
    const int moved = m + 1;
    const int added = m + 2;
    attach(moved, node_child[m]);
    node_freq[moved] = node_freq[m];
    node_block[moved] = node_block[m];
    node_child[added] = static_cast<int16_t>(~(POSITION_SYMBOL_BASE + p));
    node_freq[added] = 0;
    attach(m, added);
    if (m == POSITION_ROOT) {
        // The root stops being a leaf: pin its weight; the moved leaf now
        // leads the root's old block.
        node_freq[POSITION_ROOT] = PINNED_ROOT_WEIGHT;
        ++block_leader[node_block[POSITION_ROOT]];
    }
    last_position_node = added;
    symbol_leaf[POSITION_SYMBOL_BASE + p] = static_cast<int16_t>(added);
    open_block(added);
    update_position_tree(p);
}

void start_adaptive(MethodContext* context, int symbols, int escape) {
    char_symbol_count = symbols;
    escape_symbol = escape;
    start_bits(context);
}

// The operations of -lh1- and -lh2- for the decode loop.
struct AdaptiveCodes {
    bool ready_positions;  // -lh1-: positions through the ready-made code

    // The walk on the cursor stops after this many bits, leaving room for the
    // position's 14: only a broken tree has a longer path (see WALK_BITS).
    static constexpr int CURSOR_WALK_BITS = 32;

    [[gnu::always_inline]] uint16_t decode_char(BitCursor& bits) {
        bits.refill();
        uint64_t path = bits.window;
        int v = node_child[CHAR_ROOT];
        int leaf = CHAR_ROOT;  // the node v was read from
        int taken = 0;
        while (v > 0) {
            if (taken == CURSOR_WALK_BITS) throw HUF_ERROR;
            leaf = v - static_cast<int>(path >> 63);
            v = node_child[leaf];
            path <<= 1;
            ++taken;
        }
        bits.drop(taken);
        int c = ~v;
        update_char_tree(c, leaf);
        if (c == escape_symbol) {
            c += static_cast<int>(bits.peek(ESCAPE_BITS));
            bits.drop(ESCAPE_BITS);
        }
        return static_cast<uint16_t>(c);
    }

    [[gnu::always_inline]] uint16_t decode_position(BitCursor& bits, int64_t produced) {
        if (!ready_positions) return adaptive_position(bits, produced);
        // The ready-made -lh1- code is at most 8 bits long: always in the table.
        uint16_t j = small_table[bits.peek(SMALL_TABLE_BITS)];
        if (j >= position_code_count) return static_position_slowly(bits);
        bits.drop(small_lengths[j]);
        uint16_t plain = static_cast<uint16_t>(bits.peek(POSITION_PLAIN_BITS));
        bits.drop(POSITION_PLAIN_BITS);
        return static_cast<uint16_t>((j << POSITION_PLAIN_BITS) + plain);
    }

    [[gnu::always_inline]] uint16_t static_position_slowly(BitCursor& bits) {
        return bits.call(decode_position_static);
    }

    [[gnu::always_inline]] uint16_t adaptive_position(BitCursor& bits, int64_t produced) {
        decoded_count = produced;
        return bits.call(decode_position_adaptive);
    }
};

}  // namespace

bool loop_adaptive(OutputBuffer& output, MethodContext* context, uint16_t match_bias) {
    AdaptiveCodes codes = {context->decode_position == decode_position_static};
    return decode_loop(output, codes, context, match_bias);
}

void start_lh1(MethodContext* context) {
    start_adaptive(context, LH1_CHAR_SYMBOLS, LH1_ESCAPE);
    position_code_count = LH1_POSITION_CODES;
    start_char_tree();
    fill_ready_lengths(READY_LH1);
    build_decode_table(LH1_POSITION_CODES, small_lengths, SMALL_TABLE_BITS, small_table,
                       SMALL_TABLE_SIZE);
}

void start_lh2(MethodContext* context) {
    start_adaptive(context, LH2_CHAR_SYMBOLS, LH2_ESCAPE);
    start_char_tree();
    start_position_tree(context);
}

uint16_t decode_position_adaptive(MethodContext* context) {
    // Admit the codes of every step the output has passed (the match being
    // decoded is not counted yet), in increasing order.
    while (decoded_count > next_code_at) {
        add_position_code(static_cast<int>(next_code_at / POSITION_STEP));
        next_code_at += POSITION_STEP;
        if (next_code_at >= position_limit) next_code_at = NO_MORE_CODES;
    }
    const int p = walk(context, node_child[POSITION_ROOT]) - POSITION_SYMBOL_BASE;
    update_position_tree(p);
    return static_cast<uint16_t>((p << POSITION_PLAIN_BITS) +
                                 get_bits(context, POSITION_PLAIN_BITS));
}

}  // namespace HUFFMAN
