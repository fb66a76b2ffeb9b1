// The duplicated-names list and its dialogs.
#include "plugin/helper/DuplicatedNames.h"

#include "host/scene/HostDialogs.h"
#include "host/scene/HostServices.h"
#include "host/scene/INode.h"
#include "plugin/helper/OstrivansHelper.h"

#include <unordered_map>

namespace {

const MCHAR* const kWarningTitle = L"Duplicated Names Warning";
const MCHAR* const kWarningLine =
    L"There are nodes with duplicated names in this reference, it may not work properly.";
const MCHAR* const kDontShowAgain = L"Dont show this message again.";

MSTR HelperNodeName(OstrivansHelper* helper) {
    INode* node = helper ? helper->GetHelperNode() : nullptr;
    return MSTR(node ? node->GetName() : L"");
}

// Shows the dialog over the main window; true when it was closed with its check box ticked.
bool ShowList(OstrivansHelper* helper, const MSTR& list, bool withCheckBox) {
    TextDialog dialog;
    dialog.title = MSTR(kWarningTitle) + L" - " + HelperNodeName(helper);
    dialog.message = kWarningLine;
    dialog.text = list;
    if (withCheckBox) dialog.checkLabel = kDontShowAgain;
    GetHostDialogs().ShowTextDialog(dialog);
    return withCheckBox && dialog.checked;
}

} // namespace

MSTR DuplicatedNamesText(const INodeTab& nodes) {
    // How often each name was met so far: a name is listed when its count reaches two.
    std::unordered_map<WStr, int> seen;
    MSTR text;
    for (int i = 0; i < nodes.Count(); ++i) {
        if (!nodes[i]) continue;
        const MSTR name(nodes[i]->GetName());
        if (++seen[name] == 2) text += name + L"\r\n";
    }
    return text;
}

bool ShowDuplicatedNamesWarning(OstrivansHelper* helper, const INodeTab& mergedNodes) {
    Interface* ip = GetCOREInterface();
    if (ip->GetQuietMode()) return false;
    MSTR list;
    try {
        list = DuplicatedNamesText(mergedNodes);
    } catch (...) {
        list = L"<error collecting duplicated names>";
    }
    ip->Services().Beep(MB_ICONEXCLAMATION);
    return ShowList(helper, list, true);
}

void ShowDuplicatedNamesOnRequest(OstrivansHelper* helper) {
    Interface* ip = GetCOREInterface();
    if (ip->GetQuietMode()) return;
    const MSTR list = DuplicatedNamesText(helper->GetNodes());
    if (list.isNull()) {
        ip->Services().MessageBox(L"There are no duplicated names in this reference.", L"Duplicated Names",
                                  MB_OK);
        return;
    }
    ShowList(helper, list, false);
}
