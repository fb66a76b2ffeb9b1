// Records the host notifications a test listens to, in the order they arrive.
#pragma once

#include "host/core/Notify.h"

#include <initializer_list>
#include <string>
#include <vector>

class NotificationRecorder {
public:
    struct Event {
        int code;
        void* callParam;
    };

    // Registers for each code; unregisters everything when destroyed.
    explicit NotificationRecorder(std::initializer_list<int> codes);
    ~NotificationRecorder();
    NotificationRecorder(const NotificationRecorder&) = delete;
    NotificationRecorder& operator=(const NotificationRecorder&) = delete;

    const std::vector<Event>& Events() const { return events_; }
    int Count(int code) const;
    void Clear() { events_.clear(); }
    // The codes received, by SDK name, comma separated: "NOTIFY_FILE_PRE_OPEN, NOTIFY_FILE_POST_OPEN".
    std::string Text() const;

private:
    static void OnNotify(void* param, NotifyInfo* info);
    std::vector<Event> events_;
};
