// The file system's floor for the many-files benchmark (bench/many-files): makes
// the folders and files a listing names, with the given sizes and times, from
// memory and with nothing but the calls any extractor needs for them:
// CreateDirectoryW for a folder; CreateFileW, WriteFile, SetFileTime and
// CloseHandle for a file. The self-extractor's run and `vornsfx.exe extract`
// are timed against this program on the same tree.
//
//   write_floor LISTING      (run in the folder to fill)
//
// The listing is UTF-8, a line per entry in the order to make them:
//   D <path>                 a folder
//   F <size> <unix time> <path>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int64_t UNIX_EPOCH_AS_FILETIME = 116444736000000000LL;
constexpr int64_t FILETIME_TICKS_PER_SECOND = 10000000;
constexpr size_t LINE_BYTES = 2048;

std::wstring wide(const char* utf8) {
    int units = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring text(units > 0 ? units - 1 : 0, L'\0');
    if (units > 1) MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text.data(), units);
    return text;
}

FILETIME file_time(long long unix_seconds) {
    const int64_t ticks = unix_seconds * FILETIME_TICKS_PER_SECOND + UNIX_EPOCH_AS_FILETIME;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

bool write_one(const std::wstring& path, const std::vector<char>& content, DWORD size,
               long long unix_seconds) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const FILETIME time = file_time(unix_seconds);
    bool ok = WriteFile(file, content.data(), size, &written, nullptr) && written == size &&
              SetFileTime(file, nullptr, &time, &time);
    return CloseHandle(file) && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_floor LISTING\n");
        return 2;
    }
    FILE* listing = std::fopen(argv[1], "rb");
    if (!listing) {
        std::fprintf(stderr, "write_floor: cannot read %s\n", argv[1]);
        return 2;
    }
    // The whole listing is read first, so only the writing is left to time.
    struct Entry {
        bool folder;
        DWORD size;
        long long time;
        std::wstring path;
    };
    std::vector<Entry> entries;
    DWORD largest = 0;
    char line[LINE_BYTES];
    while (std::fgets(line, sizeof line, listing)) {
        line[std::strcspn(line, "\r\n")] = 0;
        unsigned long size = 0;
        long long time = 0;
        int name_at = 0;
        if (line[0] == 'D' && line[1] == ' ') {
            entries.push_back({true, 0, 0, wide(line + 2)});
        } else if (std::sscanf(line, "F %lu %lld %n", &size, &time, &name_at) == 2 && name_at > 0) {
            entries.push_back({false, static_cast<DWORD>(size), time, wide(line + name_at)});
            if (size > largest) largest = static_cast<DWORD>(size);
        }
    }
    std::fclose(listing);
    const std::vector<char> content(largest, 'x');
    for (const Entry& entry : entries) {
        const bool ok = entry.folder ? CreateDirectoryW(entry.path.c_str(), nullptr) != 0
                                     : write_one(entry.path, content, entry.size, entry.time);
        if (!ok) {
            std::fprintf(stderr, "write_floor: cannot make %ls (error %lu)\n", entry.path.c_str(),
                         GetLastError());
            return 1;
        }
    }
    return 0;
}
