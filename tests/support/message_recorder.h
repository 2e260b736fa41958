// Records the program's messages instead of showing them.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "text/platform.h"

struct RecordedMessage {
    HWND owner;
    std::wstring text;
    bool has_caption;
    std::wstring caption;
    uint32_t type;
};

// While one exists, every message lands in messages() (from any thread).
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    std::vector<RecordedMessage> messages() const;

private:
    static int record(HWND owner, const wchar_t* text, const wchar_t* caption, uint32_t type);
    static std::mutex lock_;
    static std::vector<RecordedMessage>* current_;
};

// For death tests, whose child cannot hand records back: prints each message
// to standard error as "caption=set|default type=N text=[...]" (UTF-8).
int print_message(HWND owner, const wchar_t* text, const wchar_t* caption, uint32_t type);
// What print_message writes for the disk-full message, "ディスクに書き込めません"
// and its line feed, as a death-test pattern: an OK box, no icon, the
// default caption.
extern const char DISK_MESSAGE_PATTERN[];
