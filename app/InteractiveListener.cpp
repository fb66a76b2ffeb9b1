// The interactive listener: line editing and history through libedit (BSD licence), plain standard input
// where it is missing.
#include "app/InteractiveListener.h"

#include "host/core/Listener.h"
#include "host/core/MaxException.h"
#include "host/core/WStr.h"
#include "host/script/ScriptError.h"
#include "host/script/ScriptRuntime.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#ifdef OSTRIVANS_HAVE_EDITLINE
#include <editline/readline.h>
#endif

namespace {

bool ReadLine(const char* prompt, std::string& line) {
#ifdef OSTRIVANS_HAVE_EDITLINE
    char* text = readline(prompt);
    if (!text) return false;
    line = text;
    std::free(text);
    if (!line.empty()) add_history(line.c_str());
    return true;
#else
    std::fputs(prompt, stdout);
    std::fflush(stdout);
    return static_cast<bool>(std::getline(std::cin, line));
#endif
}

// The parser met the end of the text inside an open expression: more lines may complete it.
bool IsIncomplete(const ScriptError& e) {
    return e.Detail().find(L"but found end of script") != std::wstring::npos;
}

} // namespace

void RunInteractiveListener(ScriptRuntime& runtime, const std::string& historyFile) {
#ifdef OSTRIVANS_HAVE_EDITLINE
    if (!historyFile.empty()) read_history(historyFile.c_str());
#endif
    std::string pending;
    std::string line;
    while (ReadLine(pending.empty() ? "ostrivans> " : "       ... ", line)) {
        pending += line + "\n";
        try {
            Value v = runtime.Run(WStr::FromUTF8(pending).str(), L"listener");
            mputs((v.PrintForm() + L"\n").c_str());
        } catch (const ScriptError& e) {
            if (IsIncomplete(e) && !line.empty()) continue;
            mputs((L"-- " + e.Message().str() + L"\n").c_str());
        } catch (const MAXException& e) {
            mputs((L"-- " + e.Message().str() + L"\n").c_str());
        }
        mflush();
        pending.clear();
    }
    mputs(L"\n");
    mflush();
#ifdef OSTRIVANS_HAVE_EDITLINE
    if (!historyFile.empty()) {
        write_history(historyFile.c_str());
        history_truncate_file(historyFile.c_str(), 1000);
    }
#else
    (void)historyFile;
#endif
}
