// The listener stream: host printf rules and capture in tests (the host program's standard output in UTF-8
// is what every end-to-end script compares).
#include "host/core/Listener.h"

#include <gtest/gtest.h>

TEST(Listener, CaptureCollectsFormattedTextAndFlushes) {
    ListenerCapture capture;
    // "%s" takes a wide string, as everywhere in the host; a WStr argument passes its text.
    the_listener->edit_stream->printf(L"\nOV Merge Time: %f\nOV Initialization Time: %f\n", 1.5, 0.25);
    mprintf(L"%s has %d nodes (%s)\n", L"Lighting", 12, WStr(L"Größe"));
    mputs(L"plain % text");
    mflush();
    EXPECT_EQ(capture.Text(),
              WStr(L"\nOV Merge Time: 1.500000\nOV Initialization Time: 0.250000\nLighting has 12 nodes (Größe)\n"
                   L"plain % text"));
    EXPECT_EQ(capture.FlushCount(), 1);
    // What clearListener does: the installed sink forgets its text.
    ClearListenerText();
    EXPECT_EQ(capture.Text(), WStr(L""));
}

// A sink installed after a capture (the manager window's, say) stays when the capture ends first.
TEST(Listener, ACaptureEndingLeavesASinkInstalledAfterItInPlace) {
    struct Window : ListenerSink {
        void Write(const MCHAR*) override {}
    } window;
    ListenerSink* before = GetListenerSink();
    {
        ListenerCapture capture;
        SetListenerSink(&window);
    }
    EXPECT_EQ(GetListenerSink(), &window);
    SetListenerSink(before);
}
