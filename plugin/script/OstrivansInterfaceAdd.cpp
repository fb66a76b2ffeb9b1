// Adding references from the script interface: by file name, and through the reference file dialog.
#include "plugin/script/OstrivansInterface.h"

#include "host/scene/HostDialogs.h"
#include "host/scene/ILayer.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "plugin/frame/StringTable.h"
#include "plugin/helper/HelperBatch.h"
#include "plugin/helper/HelperModuleState.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/script/ReferenceList.h"
#include "plugin/settings/OstrivansSettings.h"

#include <unordered_set>

namespace {

// The separator that joins the dialog's folder and file names: the host's file system takes "/".
constexpr const MCHAR* kPathSeparator = L"/";
// A name gives up after this many numbers: the last one tried is used.
constexpr int kMaxNameAttempts = 10000000;

// The characters between the last separator and the first "." after it; empty without such a ".".
MSTR FileStem(const std::wstring& path) {
    const size_t sep = path.find_last_of(L"\\/");
    const size_t start = sep == std::wstring::npos ? 0 : sep + 1;
    const size_t dot = path.find(L'.', start);
    return dot == std::wstring::npos ? MSTR() : MSTR(path.substr(start, dot - start));
}

// The trailing decimal number raised by one, written back with at least its former width and at least
// three digits ("Level9" -> "Level010"); a name without one gets "001". Digits are counted as text, so no
// length of number overflows.
MSTR NextNumberedName(const std::wstring& name) {
    size_t first = name.size();
    while (first > 0 && iswdigit(name[first - 1])) --first;
    if (first == name.size()) return MSTR(name + L"001");
    std::wstring digits = name.substr(first);
    size_t i = digits.size();
    while (i > 0 && digits[i - 1] == L'9') digits[--i] = L'0';
    if (i == 0)
        digits.insert(digits.begin(), L'1');
    else
        ++digits[i - 1];
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), L'0');
    return MSTR(name.substr(0, first) + digits);
}

// The folder part of a path: cut before the last separator; a path without one is kept whole.
MSTR FolderOf(const MSTR& path) {
    const size_t sep = path.str().find_last_of(L"\\/");
    return sep == std::wstring::npos ? path : MSTR(path.str().substr(0, sep));
}

} // namespace

MSTR OstrivansInterface::UniqueHelperName(const MCHAR* fileName, const std::vector<MSTR>& taken) {
    const std::unordered_set<MSTR> names(taken.begin(), taken.end());
    MSTR name = FileStem(fileName ? fileName : L"");
    for (int attempt = 0; attempt < kMaxNameAttempts && names.count(name); ++attempt)
        name = NextNumberedName(name.str());
    return name;
}

INode* OstrivansInterface::AddOstrivan(const MCHAR* fileName, const MCHAR* proxyFileName, bool load, bool active,
                                       bool proxyViewport, bool proxyRender) {
    Interface* ip = GetCOREInterface();
    std::vector<MSTR> taken;
    for (INode* n : GatherReferenceNodes()) taken.emplace_back(n->GetName());
    auto* helper = new OstrivansHelper(FALSE);
    INode* node = ip->CreateObjectNode(helper);
    node->SetName(UniqueHelperName(fileName, taken).c_str());
    ILayerManager* layers = ip->GetLayerManager();
    if (ILayer* current = layers ? layers->GetCurrentLayer() : nullptr; current && current != node->GetLayer())
        current->AddToLayer(node);
    {
        AccessorDisabler quiet(helper);
        if (IParamBlock2* pb = helper->GetParamBlock()) {
            pb->SetValue(pb_active, 0, active ? 1 : 0);
            pb->SetValue(pb_filename, 0, fileName ? fileName : L"");
            pb->SetValue(pb_proxy_filename, 0, proxyFileName ? proxyFileName : L"");
            pb->SetValue(pb_use_proxy_in_viewport, 0, proxyViewport ? 1 : 0);
            pb->SetValue(pb_use_proxy_in_render, 0, proxyRender ? 1 : 0);
        }
        if (load) helper->Load();
    }
    if (HelperModuleState& state = GetHelperModuleState(); state.managerRefresh) state.managerRefresh();
    return node;
}

void OstrivansInterface::AddOstrivanDialog() {
    MSTR folder;
    GetIniString(kIniLastFileDir, folder);
    OpenFileDialog dialog;
    dialog.title = L"Select One or More Reference Files";
    dialog.initialDir = folder;
    dialog.filters = {{L"3ds Max (*.max)", L"*.max"}, {L"3ds Max Characters (*.chr)", L"*.chr"},
                      {L"All files (*.*)", L"*.*"}};
    dialog.multiSelect = true;
    dialog.historyName = GetString(IDS_FILE_HISTORY);
    if (GetHostDialogs().ShowOpenFileDialog(dialog) != 1 || dialog.result.empty()) return;
    // Only the new references end up selected in the manager.
    for (INode* n : GatherReferenceNodes())
        if (OstrivansHelper* h = ReferenceHelperOf(n); h && h->GetParamBlock())
            h->GetParamBlock()->SetValue(pb_selected_in_manager, 0, 0);
    if (dialog.result.size() == 1) {
        AddOstrivan(dialog.result.front().c_str(), L"", true, true, false, false);
        folder = FolderOf(dialog.result.front());
    } else {
        folder = dialog.result.front();
        BatchOpeningStep();
        for (size_t i = 1; i < dialog.result.size(); ++i)
            AddOstrivan((folder + kPathSeparator + dialog.result[i]).c_str(), L"", true, true, false, false);
        BatchClosingStep();
    }
    SetIniString(kIniLastFileDir, folder.c_str());
}
