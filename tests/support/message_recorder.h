// Records the program's messages instead of showing them.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "Sfx/report.h"

struct RecordedMessage {
    HWND owner;
    std::wstring text;
    bool has_caption;
    uint32_t type;
};

// While one exists, every message lands in messages() (from any thread).
class MessageRecorder {
public:
    MessageRecorder() {
        std::lock_guard<std::mutex> guard(lock_);
        recorded_.clear();
        set_message_hook(&record);
    }
    ~MessageRecorder() { set_message_hook(nullptr); }
    std::vector<RecordedMessage> messages() const {
        std::lock_guard<std::mutex> guard(lock_);
        return recorded_;
    }

private:
    static int record(HWND owner, const wchar_t* text, const wchar_t* caption, uint32_t type) {
        std::lock_guard<std::mutex> guard(lock_);
        recorded_.push_back({owner, text ? text : L"", caption != nullptr, type});
        return 1;  // IDOK
    }
    static inline std::mutex lock_;
    static inline std::vector<RecordedMessage> recorded_;
};
