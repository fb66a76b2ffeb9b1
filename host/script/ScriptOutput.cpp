// Script output into the host's listener.
#include "host/script/ScriptOutput.h"

#include "host/core/Listener.h"

#include <string>

void ListenerScriptOutput::Write(std::wstring_view text) {
    std::wstring s(text);
    the_listener->edit_stream->puts(s.c_str());
}

void ListenerScriptOutput::Flush() {
    the_listener->edit_stream->flush();
}
