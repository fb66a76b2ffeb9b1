// The headless dialogs: text dialogs closed at once with OK and the check box ticked as queued; the
// open-file dialog answered from a queue of chosen files. Everything shown is recorded. Scripts queue the
// answers through the core interface "HostDialogs", so end-to-end scripts can play the user too.
#include "host/scene/HostDialogs.h"

#include "host/core/FPInterface.h"
#include "host/core/FileTime.h"
#include "host/scene/HostServices.h"
#include "host/scene/Interface.h"

#include <algorithm>

namespace {

HostDialogs* installed = nullptr;

// The path cut before its last separator; a path without one is its own folder.
WStr FolderOf(const WStr& path) {
    const size_t at = path.str().find_last_of(L"\\/");
    return at == std::wstring::npos ? path : WStr(path.str().substr(0, at));
}

WStr NameOf(const WStr& path) {
    const size_t at = path.str().find_last_of(L"\\/");
    return at == std::wstring::npos ? path : WStr(path.str().substr(at + 1));
}

// "HostDialogs": the headless dialogs' controls for scripts. QueueOpenFiles #("c:/a.max") picks files in the
// next open-file dialog (#() cancels it); LastOpenFileDialog() describes the last one shown; LastMessage()
// gives the title and text of the last text dialog or message box shown, and forgets both.
class HostDialogsInterface : public FPStaticInterface {
public:
    enum : FunctionID { kQueueOpenFiles, kLastOpenFileDialog, kLastMessage };
    HostDialogsInterface()
        : FPStaticInterface(Interface_ID(0x4d1a1060, 0x2b5c0001), L"HostDialogs", 0, nullptr,
                            FP_CORE | FP_TEST_INTERFACE,
                            {FPFunctionDef(kQueueOpenFiles, L"QueueOpenFiles", TYPE_VOID,
                                           {FPParamDef(L"files", TYPE_STRING_TAB)}),
                             FPFunctionDef(kLastOpenFileDialog, L"LastOpenFileDialog", TYPE_STRING),
                             FPFunctionDef(kLastMessage, L"LastMessage", TYPE_STRING)}) {}

protected:
    FPStatus _dispatch_fn(FunctionID fid, TimeValue, FPValue& result, FPParams* p) override {
        switch (fid) {
        case kQueueOpenFiles: {
            const Tab<WStr>* files = FPArg(p, 0).GetStrTab();
            std::vector<WStr> paths;
            for (int i = 0; files && i < files->Count(); ++i) paths.push_back((*files)[i]);
            GetHostDialogs().QueueOpenFiles(std::move(paths));
            return FPS_OK;
        }
        case kLastOpenFileDialog: {
            const auto& shown = GetHostDialogs().OpenFileDialogsShown();
            if (shown.empty()) {
                result.LoadNull(TYPE_STRING);
                return FPS_OK;
            }
            const OpenFileDialog& d = shown.back();
            WStr text = d.title + L" | " + d.initialDir + L" |";
            for (const auto& [label, pattern] : d.filters) text += L" " + label + L" " + pattern + L";";
            text += d.multiSelect ? L" multi | " : L" single | ";
            text += d.historyName;
            result.Load(TYPE_STRING, text);
            return FPS_OK;
        }
        case kLastMessage: {
            HostDialogs& dialogs = GetHostDialogs();
            HostServices& services = GetCOREInterface()->Services();
            WStr text;
            if (!dialogs.Shown().empty()) text = dialogs.Shown().back().title + L": " + dialogs.Shown().back().text;
            if (!services.Shown().empty())
                text += (text.isNull() ? L"" : L" / ") + services.Shown().back().title + L": " +
                        services.Shown().back().text;
            dialogs.ForgetShown();
            services.ClearRecord();
            if (text.isNull())
                result.LoadNull(TYPE_STRING);
            else
                result.Load(TYPE_STRING, text);
            return FPS_OK;
        }
        default:
            return FPS_NO_SUCH_FUNCTION;
        }
    }
};

HostDialogsInterface scriptControls;

} // namespace

int HostDialogs::ShowTextDialog(TextDialog& dialog) {
    bool ticked = false;
    if (!checks_.empty()) {
        ticked = checks_.front();
        checks_.pop_front();
    }
    // A dialog without a check box cannot be closed with one ticked.
    dialog.checked = ticked && !dialog.checkLabel.isNull();
    shown_.push_back(dialog);
    return IDOK;
}

int HostDialogs::ShowOpenFileDialog(OpenFileDialog& dialog) {
    dialog.result.clear();
    std::vector<WStr> chosen;
    if (!openFiles_.empty()) {
        chosen = std::move(openFiles_.front());
        openFiles_.pop_front();
    }
    const bool oneFolder = std::all_of(chosen.begin(), chosen.end(),
                                       [&](const WStr& p) { return FolderOf(p) == FolderOf(chosen.front()); });
    const bool exist = std::all_of(chosen.begin(), chosen.end(), [](const WStr& p) { return PathFileExists(p); });
    const bool accepted =
        !chosen.empty() && exist && (chosen.size() == 1 || (dialog.multiSelect && oneFolder));
    if (accepted) {
        if (chosen.size() == 1) {
            dialog.result.push_back(chosen.front());
        } else {
            dialog.result.push_back(FolderOf(chosen.front()));
            for (const WStr& p : chosen) dialog.result.push_back(NameOf(p));
        }
        if (!dialog.historyName.isNull()) {
            std::vector<WStr>& history = histories_[dialog.historyName];
            const WStr folder = FolderOf(chosen.front());
            if (std::find(history.begin(), history.end(), folder) == history.end()) history.push_back(folder);
        }
    }
    openShown_.push_back(dialog);
    return accepted ? 1 : 0;
}

int HostDialogs::ShowSaveFileDialog(SaveFileDialog& dialog) {
    dialog.result = WStr();
    if (!saveFiles_.empty()) {
        dialog.result = saveFiles_.front();
        saveFiles_.pop_front();
    }
    saveShown_.push_back(dialog);
    return dialog.result.isNull() ? 0 : 1;
}

HostDialogs& GetHostDialogs() {
    static HostDialogs headless;
    return installed ? *installed : headless;
}

void SetHostDialogs(HostDialogs* impl) {
    installed = impl;
}
