// The script listener: the text stream that scripts and plug-ins print to, and where its text goes.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/WStr.h"

// Arguments of the listener's printf: a wide string object passes its text, anything else passes as is.
inline const wchar_t* ListenerFormatArg(const WStr& s) { return s.data(); }
template <class T> const T& ListenerFormatArg(const T& v) { return v; }

// A text stream with the host's printf rules ("%s" takes a wide string).
class CharStream {
public:
    virtual ~CharStream() = default;
    virtual void puts(const MCHAR* text) = 0;
    virtual void flush() {}
    template <class... Args> void printf(const MCHAR* format, const Args&... args) {
        puts(WStr::Format(format, ListenerFormatArg(args)...).data());
    }
};

// The listener window; its edit stream is what scripts see as the listener output.
class Listener {
public:
    CharStream* edit_stream;
};

// The one listener of the process; never null.
extern Listener* the_listener;

template <class... Args> void mprintf(const MCHAR* format, const Args&... args) {
    the_listener->edit_stream->printf(format, args...);
}
inline void mputs(const MCHAR* text) { the_listener->edit_stream->puts(text); }
inline void mflush() { the_listener->edit_stream->flush(); }
// Empties the listener window (clearListener); text already written to a stream stays there.
void ClearListenerText();

// Where the listener's text ends up. Without a sink installed, it is written to standard output as UTF-8.
class ListenerSink {
public:
    virtual ~ListenerSink() = default;
    virtual void Write(const MCHAR* text) = 0;
    virtual void Flush() {}
    // Forgets the text written so far, where the sink keeps it (a window, a capture).
    virtual void Clear() {}
};

// Installs a sink (null: standard output) and returns the one it replaces (null: standard output).
ListenerSink* SetListenerSink(ListenerSink* sink);
ListenerSink* GetListenerSink();

// Collects the listener's text for as long as it lives, then puts the previous sink back.
class ListenerCapture : public ListenerSink {
public:
    ListenerCapture();
    ~ListenerCapture() override;
    ListenerCapture(const ListenerCapture&) = delete;
    ListenerCapture& operator=(const ListenerCapture&) = delete;

    void Write(const MCHAR* text) override;
    void Flush() override;

    const MSTR& Text() const { return text_; }
    // Number of flushes seen; a flush after the text shows the writer meant it to be seen at once.
    int FlushCount() const { return flushes_; }
    void Clear() override { text_ = L""; flushes_ = 0; }

private:
    ListenerSink* previous_;
    MSTR text_;
    int flushes_ = 0;
};
