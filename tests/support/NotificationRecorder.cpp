// The recorder registers one static handler with itself as the parameter.
#include "tests/support/NotificationRecorder.h"

NotificationRecorder::NotificationRecorder(std::initializer_list<int> codes) {
    for (int code : codes) RegisterNotification(&NotificationRecorder::OnNotify, this, code);
}

NotificationRecorder::~NotificationRecorder() { UnRegisterNotification(&NotificationRecorder::OnNotify, this); }

void NotificationRecorder::OnNotify(void* param, NotifyInfo* info) {
    static_cast<NotificationRecorder*>(param)->events_.push_back(Event{info->intcode, info->callParam});
}

int NotificationRecorder::Count(int code) const {
    int n = 0;
    for (const Event& e : events_) n += e.code == code ? 1 : 0;
    return n;
}

std::string NotificationRecorder::Text() const {
    std::string out;
    for (const Event& e : events_) {
        if (!out.empty()) out += ", ";
        out += NotificationCodeName(e.code).ToUTF8();
    }
    return out;
}
