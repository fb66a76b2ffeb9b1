// The listener stream and its sinks: standard output by default, a capture in tests.
#include "host/core/Listener.h"

#include <cstdio>
#include <string>

namespace {

ListenerSink* gSink = nullptr;

class StdoutSink : public ListenerSink {
public:
    void Write(const MCHAR* text) override {
        std::string utf8 = WStr(text).ToUTF8();
        std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    }
    void Flush() override { std::fflush(stdout); }
};

StdoutSink gStdout;

ListenerSink& Sink() { return gSink ? *gSink : static_cast<ListenerSink&>(gStdout); }

class ListenerStream : public CharStream {
public:
    void puts(const MCHAR* text) override {
        if (text && *text) Sink().Write(text);
    }
    void flush() override { Sink().Flush(); }
};

ListenerStream gStream;
Listener gListener{&gStream};

} // namespace

Listener* the_listener = &gListener;

ListenerSink* SetListenerSink(ListenerSink* sink) {
    ListenerSink* previous = gSink;
    gSink = sink;
    return previous;
}

ListenerSink* GetListenerSink() { return gSink; }

void ClearListenerText() { Sink().Clear(); }

ListenerCapture::ListenerCapture() : previous_(SetListenerSink(this)) {}

ListenerCapture::~ListenerCapture() {
    // Only undo our own installation; a capture that outlives a later one must not clobber it.
    if (GetListenerSink() == this) SetListenerSink(previous_);
}

void ListenerCapture::Write(const MCHAR* text) { text_ += text; }

void ListenerCapture::Flush() { ++flushes_; }
