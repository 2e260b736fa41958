// Native back end: iconv's CP932, checked by converting back, so a character
// that maps only to a look-alike counts as having no form.
#include <iconv.h>

#include <cerrno>

#include "shift_jis.h"

namespace {

bool convert(const char* to, const char* from, const std::string& in, std::string& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.assign(in.size() * 2 + 16, '\0');
    char* source = const_cast<char*>(in.data());
    size_t source_left = in.size();
    char* target = &out[0];
    size_t target_left = out.size();
    size_t result = iconv(cd, &source, &source_left, &target, &target_left);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1) || result != 0 || source_left != 0) return false;
    out.resize(out.size() - target_left);
    return true;
}

}  // namespace

bool to_shift_jis(const std::wstring& utf16, std::string& out) {
    std::string units;
    for (wchar_t c : utf16) {
        units.push_back(static_cast<char>(c & 0xFF));
        units.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    std::string back;
    return convert("CP932", "UTF-16LE", units, out) && convert("UTF-16LE", "CP932", out, back) &&
           back == units;
}
