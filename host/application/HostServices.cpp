// The headless host services: message boxes answered from a queue and recorded, beeps recorded.
#include "host/scene/HostServices.h"

// The Yes/No/Cancel button set: its default button is Yes, as on a Yes/No box.
constexpr unsigned kYesNoCancelButtons = 0x3;

int HostServices::MessageBox(const WStr& text, const WStr& title, unsigned style) {
    int answer;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    } else {
        const unsigned buttons = style & 0xF;
        if (buttons == MB_YESNO || buttons == kYesNoCancelButtons) answer = (style & MB_DEFBUTTON2) ? IDNO : IDYES;
        else if (buttons == MB_OKCANCEL) answer = (style & MB_DEFBUTTON2) ? IDCANCEL : IDOK;
        else answer = IDOK;
    }
    shown_.push_back({title, text, style, answer});
    return answer;
}

void HostServices::Beep(unsigned type) { beeps_.push_back(type); }
