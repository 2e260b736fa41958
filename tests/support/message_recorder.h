// Records the program's messages instead of showing them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "text/platform.h"

struct RecordedMessage {
    HWND owner;
    std::wstring text;
    bool has_caption;
    uint32_t type;
};

// While one exists, every message lands in messages() (from any thread).
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    std::vector<RecordedMessage> messages() const;
};
