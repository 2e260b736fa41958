// Native ANSI conversion through iconv. Bytes that do not decode in the chosen
// code page become '?' one by one, as a lenient system converter would, so a
// damaged name still yields a name.
#include "ansi.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* ansi_charset = "CP932";
constexpr wchar_t REPLACEMENT = L'?';

const iconv_t NO_CONVERTER = reinterpret_cast<iconv_t>(-1);

// Opening a converter costs several times what converting a name does (a
// module lookup and a few allocations), and a listing converts every
// member's name, twice: so each thread keeps its converter open for the
// charset in use.
class Converter {
public:
    Converter() = default;
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() { close(); }

    // The converter for the charset in use, back in its initial state;
    // NO_CONVERTER when iconv has none for it.
    iconv_t get() {
        if (cd_ == NO_CONVERTER || charset_ != ansi_charset) {
            close();
            charset_ = ansi_charset;
            cd_ = iconv_open("UTF-16LE", ansi_charset);
        }
        if (cd_ != NO_CONVERTER) iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return cd_;
    }

private:
    void close() {
        if (cd_ != NO_CONVERTER) iconv_close(cd_);
        cd_ = NO_CONVERTER;
    }

    std::string charset_;
    iconv_t cd_ = NO_CONVERTER;
};

thread_local Converter converter;

std::vector<uint16_t> decode(const char* bytes) {
    std::vector<uint16_t> units;
    iconv_t cd = converter.get();
    if (cd == NO_CONVERTER) return units;
    size_t in_left = std::strlen(bytes);
    char* in = const_cast<char*>(bytes);
    while (in_left > 0) {
        char buffer[256];
        char* out = buffer;
        size_t out_left = sizeof buffer;
        size_t result = iconv(cd, &in, &in_left, &out, &out_left);
        size_t produced = (sizeof buffer - out_left) / 2;
        for (size_t i = 0; i < produced; ++i)
            units.push_back(static_cast<uint16_t>(static_cast<uint8_t>(buffer[2 * i]) |
                                                  static_cast<uint8_t>(buffer[2 * i + 1]) << 8));
        if (result == static_cast<size_t>(-1) && errno != E2BIG) {
            // An undecodable or cut-off sequence: replace one byte and go on.
            units.push_back(REPLACEMENT);
            ++in;
            --in_left;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return units;
}

}  // namespace

void set_ansi_charset(const char* iconv_name) {
    ansi_charset = iconv_name;
}

size_t ansi_to_utf16(const char* bytes, wchar_t* out, size_t out_units) {
    std::vector<uint16_t> units = decode(bytes);
    size_t needed = units.size() + 1;
    if (!out || out_units == 0) return needed;
    if (out_units < needed) return 0;
    for (size_t i = 0; i < units.size(); ++i) out[i] = units[i];
    out[units.size()] = 0;
    return needed;
}
