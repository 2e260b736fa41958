#include "message_recorder.h"

#include <mutex>

#include "Sfx/report.h"

namespace {

std::mutex lock;
std::vector<RecordedMessage> recorded;

int record(HWND owner, const wchar_t* text, const wchar_t* caption, uint32_t type) {
    std::lock_guard<std::mutex> guard(lock);
    recorded.push_back({owner, text ? text : L"", caption != nullptr, type});
    return 1;  // IDOK
}

}  // namespace

MessageRecorder::MessageRecorder() {
    std::lock_guard<std::mutex> guard(lock);
    recorded.clear();
    set_message_hook(&record);
}

MessageRecorder::~MessageRecorder() { set_message_hook(nullptr); }

std::vector<RecordedMessage> MessageRecorder::messages() const {
    std::lock_guard<std::mutex> guard(lock);
    return recorded;
}
