// The host's user-facing services: message boxes, beeps, cursors, folders, UI scale and the main
// window. The headless default records what was shown and answers from a queue, so tests can script a
// user; a GUI installs its own implementation.
#pragma once

#include "host/core/WStr.h"

#include <deque>
#include <vector>

// Message box styles and answers.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

enum class HostCursor { Arrow, Wait };

class HostServices {
public:
    virtual ~HostServices() = default;

    struct ShownMessage {
        WStr title;
        WStr text;
        unsigned style = 0;
        int answer = 0;
    };

    // Shows a message box and returns the answer: the next queued answer, or the default button
    // (No when MB_DEFBUTTON2 is set on a Yes/No box, otherwise Yes or OK).
    virtual int MessageBox(const WStr& text, const WStr& title, unsigned style);
    virtual void Beep(unsigned type);
    virtual void SetCursor(HostCursor c) { cursor_ = c; }
    HostCursor GetCursor() const { return cursor_; }
    virtual float GetUIScaleFactor() { return uiScale_; }
    void SetUIScaleFactor(float f) { uiScale_ = f; }

    // Test double controls.
    void QueueAnswer(int answer) { answers_.push_back(answer); }
    const std::vector<ShownMessage>& Shown() const { return shown_; }
    const std::vector<unsigned>& Beeps() const { return beeps_; }
    void ClearRecord() { shown_.clear(); beeps_.clear(); }
    // Drops the answers queued and not taken.
    void ForgetAnswers() { answers_.clear(); }

private:
    std::deque<int> answers_;
    std::vector<ShownMessage> shown_;
    std::vector<unsigned> beeps_;
    HostCursor cursor_ = HostCursor::Arrow;
    float uiScale_ = 1.0f;
};
