#include "message_recorder.h"

#include <cstdio>

#include "Sfx/report.h"
#include "text/utf8.h"

std::mutex MessageRecorder::lock_;
std::vector<RecordedMessage>* MessageRecorder::current_ = nullptr;

MessageRecorder::MessageRecorder() {
    std::lock_guard<std::mutex> guard(lock_);
    current_ = new std::vector<RecordedMessage>;
    set_message_hook(&MessageRecorder::record);
}

MessageRecorder::~MessageRecorder() {
    std::lock_guard<std::mutex> guard(lock_);
    set_message_hook(nullptr);
    delete current_;
    current_ = nullptr;
}

std::vector<RecordedMessage> MessageRecorder::messages() const {
    std::lock_guard<std::mutex> guard(lock_);
    return *current_;
}

int MessageRecorder::record(HWND owner, const wchar_t* text, const wchar_t* caption,
                            uint32_t type) {
    std::lock_guard<std::mutex> guard(lock_);
    if (current_)
        current_->push_back({owner, text ? text : L"", caption != nullptr,
                             caption ? caption : L"", type});
    return 1;  // IDOK
}

int print_message(HWND, const wchar_t* text, const wchar_t* caption, uint32_t type) {
    std::fprintf(stderr, "caption=%s type=%u text=[%s]\n", caption ? "set" : "default", type,
                 utf16_to_utf8(std::wstring(text)).c_str());
    return 1;
}

const char DISK_MESSAGE_PATTERN[] =
    "caption=default type=0 text=\\[\xE3\x83\x87\xE3\x82\xA3\xE3\x82\xB9\xE3\x82\xAF"
    "\xE3\x81\xAB\xE6\x9B\xB8\xE3\x81\x8D\xE8\xBE\xBC\xE3\x82\x81\xE3\x81\xBE\xE3\x81\x9B"
    "\xE3\x82\x93\n\\]";
