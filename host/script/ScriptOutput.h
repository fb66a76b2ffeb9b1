// Where the script language writes its output: the listener by default, or a stream given with "to:".
#pragma once

#include <string_view>

class ScriptOutput {
public:
    virtual ~ScriptOutput() = default;
    virtual void Write(std::wstring_view text) = 0;
    virtual void Flush() {}
};

// The host's listener stream (mprintf's stream): what print and format write when no "to:" is given.
class ListenerScriptOutput : public ScriptOutput {
public:
    void Write(std::wstring_view text) override;
    void Flush() override;
};
