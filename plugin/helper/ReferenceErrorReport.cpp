// How a failed reference operation tells the user: the module's "Reference Error" dialog, or the listener
// while the host is quiet.
#include "plugin/helper/ReferenceErrorReport.h"

#include "host/core/Listener.h"
#include "host/scene/HostDialogs.h"
#include "host/scene/HostServices.h"
#include "host/scene/Interface.h"
#include "plugin/helper/HelperModuleState.h"

void WriteReferenceError(const MSTR& text) {
    mprintf(L"-- Reference Error: %s\n", text);
    mflush();
}

void ShowReferenceError(const MSTR& text) {
    Interface* ip = GetCOREInterface();
    if (ip->GetQuietMode()) {
        // No dialog while quiet, but the report still reaches the user, as the host's own errors do.
        WriteReferenceError(text);
        return;
    }
    std::wstring crlf;
    for (wchar_t c : std::wstring(text.data())) {
        if (c == L'\n') crlf += L'\r';
        crlf += c;
    }
    GetHelperModuleState().lastErrorText = WStr(crlf.c_str());
    ip->Services().Beep(MB_ICONERROR);
    TextDialog dialog;
    dialog.title = L"Reference Error";
    dialog.text = GetHelperModuleState().lastErrorText;
    GetHostDialogs().ShowTextDialog(dialog);
}
