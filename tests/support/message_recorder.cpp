#include "message_recorder.h"

#include "Sfx/report.h"

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
