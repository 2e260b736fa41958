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
