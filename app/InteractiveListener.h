// The interactive listener: reads script lines with line editing and history, prints each result.
#pragma once

class ScriptRuntime;

#include <string>

// Runs until end of input. A line that leaves an expression open ("(" without ")") continues on the
// next one. Errors are printed as the listener prints them and do not end the session. The line history
// is read from historyFile at the start and written back at the end (none when empty).
void RunInteractiveListener(ScriptRuntime& runtime, const std::string& historyFile);
