// Back end for builds without iconv's CP932 (WebAssembly): the code page 932
// tables, which give a character only the code that decodes back to it, as
// the iconv back end's round trip does.
#include "shift_jis.h"
#include "text/cp932_table.h"

namespace {
constexpr uint16_t SINGLE_BYTE_END = 0x100;
}

bool to_shift_jis(const std::wstring& utf16, std::string& out) {
    out.clear();
    for (wchar_t unit : utf16) {
        if (unit <= 0 || unit > 0xFFFF) return false;
        uint16_t code = cp932_code(static_cast<uint16_t>(unit));
        if (!code) return false;
        if (code >= SINGLE_BYTE_END) out.push_back(static_cast<char>(code >> 8));
        out.push_back(static_cast<char>(code & 0xFF));
    }
    return true;
}
