#include "archive_damage.h"

#include <cstdio>
#include <vector>

namespace {

// Header offsets every level shares, and where level 2 keeps its first
// extended header size.
constexpr size_t AT_METHOD = 2;
constexpr size_t AT_PACKED_SIZE = 7;
constexpr size_t AT_ORIGINAL_SIZE = 11;
constexpr size_t AT_LEVEL = 20;
constexpr size_t AT_NAME_LENGTH = 21;
constexpr size_t LEVEL2_FIRST_EXTENSION = 24;
constexpr size_t METHOD_LENGTH = 5;
constexpr size_t MAX_FLIPS = 8;

// Where one member lies in its archive.
struct MemberLayout {
    size_t header = 0;    // first header byte
    size_t data = 0;      // first data byte (the header's end)
    size_t data_end = 0;  // one past the data (as the size field says)
    int level = 0;
    std::vector<size_t> extension_sizes;  // offsets of the extended headers' size fields
};

uint32_t get(const Bytes& bytes, size_t at, int width) {
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes[at + static_cast<size_t>(i)];
    return value;
}

std::string hex(size_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%zx", value);
    return text;
}

// The size fields of an extended header chain whose first size is at first,
// the terminating zero included; the chain must end before limit.
std::vector<size_t> extension_chain(const Bytes& archive, size_t first, size_t limit) {
    std::vector<size_t> fields;
    for (size_t at = first; at + 2 <= limit; at += get(archive, at, 2)) {
        fields.push_back(at);  // the size field of the next one ends this one
        if (get(archive, at, 2) == 0) break;
    }
    return fields;
}

// The members of a sound archive, in order.
std::vector<MemberLayout> member_layouts(const Bytes& archive) {
    std::vector<MemberLayout> members;
    for (size_t at = 0; at + AT_LEVEL < archive.size() && archive[at] != 0;) {
        MemberLayout m;
        m.header = at;
        m.level = archive[at + AT_LEVEL];
        const uint32_t packed = get(archive, at + AT_PACKED_SIZE, 4);
        if (m.level == 2) {
            m.data = at + get(archive, at, 2);
            m.extension_sizes = extension_chain(archive, at + LEVEL2_FIRST_EXTENSION, m.data);
            m.data_end = m.data + packed;
        } else if (m.level == 1) {
            // The size field counts the extended headers, which come first.
            const size_t first = at + archive[at];
            m.extension_sizes = extension_chain(archive, first, archive.size());
            m.data = m.extension_sizes.back() + 2;
            m.data_end = first + 2 + packed;
        } else {
            m.data = at + archive[at] + 2;
            m.data_end = m.data + packed;
        }
        if (m.data_end > archive.size()) break;
        members.push_back(m);
        at = m.data_end;
    }
    return members;
}

// Values that no archiver writes, per field.
const std::vector<uint32_t> ABSURD_SIZES = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
const std::vector<uint32_t> ABSURD_LEVELS = {0, 1, 2, 3, 0x7F, 0xFF};
const std::vector<uint32_t> ABSURD_BYTE_LENGTHS = {0, 1, 2, 20, 21, 22, 0xFF};
const std::vector<uint32_t> ABSURD_WORD_LENGTHS = {0, 1, 2, 3, 24, 25, 0x1000, 0x1001, 0xFFFF};
const std::vector<std::string> ABSURD_METHODS = {
    "-lh9-", "-lhx-", "-lhd-", "-lh0-", "-lh1-", "-lh3-", "-lh5-", "-lh7-", "-lzs-", "-lz5-",
    "\xFF\xFF\xFF\xFF\xFF", std::string(METHOD_LENGTH, '\0'),
};

struct Field {
    const char* name;
    size_t at;
    int width;
    const std::vector<uint32_t>* values;  // null: the method id
};

std::vector<Field> fields_of(const MemberLayout& m) {
    std::vector<Field> fields = {
        {"packed size", m.header + AT_PACKED_SIZE, 4, &ABSURD_SIZES},
        {"original size", m.header + AT_ORIGINAL_SIZE, 4, &ABSURD_SIZES},
        {"level", m.header + AT_LEVEL, 1, &ABSURD_LEVELS},
        {"method", m.header + AT_METHOD, 0, nullptr},
    };
    if (m.level == 2) {
        fields.push_back({"header size", m.header, 2, &ABSURD_WORD_LENGTHS});
    } else {
        fields.push_back({"header size", m.header, 1, &ABSURD_BYTE_LENGTHS});
        fields.push_back({"name length", m.header + AT_NAME_LENGTH, 1, &ABSURD_BYTE_LENGTHS});
    }
    // Each extended header size counts as a field of its own: the chain's
    // links are where a reader can be sent astray.
    for (size_t at : m.extension_sizes)
        fields.push_back({"extension size", at, 2, &ABSURD_WORD_LENGTHS});
    return fields;
}

// A position inside member m's header or (in_data) its data.
size_t inside(const MemberLayout& m, bool in_data, SweepRandom& random) {
    return in_data ? m.data + random.below(m.data_end - m.data)
                   : m.header + random.below(m.data - m.header);
}

DamagedArchive cut(const Bytes& archive, const std::vector<MemberLayout>& members, bool in_data,
                   SweepRandom& random) {
    std::vector<MemberLayout> candidates;
    for (const MemberLayout& m : members)
        if (!in_data || m.data_end > m.data) candidates.push_back(m);
    if (candidates.empty()) return cut(archive, members, false, random);
    const size_t at = inside(candidates[random.below(candidates.size())], in_data, random);
    return {Bytes(archive.begin(), archive.begin() + static_cast<ptrdiff_t>(at)),
            "cut at " + hex(at) + " of " + hex(archive.size()) + (in_data ? " (data)" : " (header)")};
}

DamagedArchive flips(const Bytes& archive, const std::vector<MemberLayout>& members,
                     bool in_header, SweepRandom& random) {
    DamagedArchive out = {archive, "bits flipped at"};
    for (size_t count = 1 + random.below(MAX_FLIPS); count > 0; --count) {
        const size_t at = in_header ? inside(members[random.below(members.size())], false, random)
                                    : random.below(archive.size());
        const size_t bit = random.below(8);
        out.bytes[at] ^= static_cast<uint8_t>(1u << bit);
        out.what += " " + hex(at) + "." + std::to_string(bit);
    }
    return out;
}

DamagedArchive mangled_field(const Bytes& archive, const std::vector<MemberLayout>& members,
                             SweepRandom& random) {
    const size_t index = random.below(members.size());
    const std::vector<Field> fields = fields_of(members[index]);
    const Field& field = fields[random.below(fields.size())];
    DamagedArchive out = {archive, "member " + std::to_string(index) + " (level " +
                                       std::to_string(members[index].level) + ") " + field.name +
                                       " "};
    if (!field.values) {
        const std::string& method = ABSURD_METHODS[random.below(ABSURD_METHODS.size())];
        for (size_t i = 0; i < METHOD_LENGTH; ++i) {
            out.bytes[field.at + i] = static_cast<uint8_t>(method[i]);
            out.what += method[i] >= ' ' && method[i] < 0x7F ? method[i] : '?';
        }
        return out;
    }
    const uint32_t value = (*field.values)[random.below(field.values->size())];
    out.what += hex(get(archive, field.at, field.width)) + " -> " + hex(value);
    for (int i = 0; i < field.width && field.at + i < out.bytes.size(); ++i)
        out.bytes[field.at + i] = static_cast<uint8_t>(value >> (8 * i));
    return out;
}

}  // namespace

uint64_t SweepRandom::next() {
    state_ += 0x9E3779B97F4A7C15ull;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

const char* damage_name(DamageKind kind) {
    static const char* const NAMES[DAMAGE_KINDS] = {"cut in header", "cut in data", "bit flips",
                                                    "header bit flips", "mangled field"};
    return NAMES[static_cast<int>(kind)];
}

DamagedArchive damage(const Bytes& archive, DamageKind kind, SweepRandom& random) {
    const std::vector<MemberLayout> members = member_layouts(archive);
    if (members.empty()) return {archive, "no members found: left whole"};
    switch (kind) {
    case DamageKind::cut_in_header: return cut(archive, members, false, random);
    case DamageKind::cut_in_data: return cut(archive, members, true, random);
    case DamageKind::flips_anywhere: return flips(archive, members, false, random);
    case DamageKind::flips_in_header: return flips(archive, members, true, random);
    case DamageKind::mangled_field: return mangled_field(archive, members, random);
    }
    return {archive, "?"};
}
