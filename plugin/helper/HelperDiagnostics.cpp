// The helper's description and listener dump.
#include "plugin/helper/HelperDiagnostics.h"

#include "host/core/Listener.h"
#include "host/scene/ILayer.h"
#include "host/scene/INode.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"

namespace {

void PrintRecord(RefBase* record, const MCHAR* kind, int mode) {
    if (record)
        record->PrintData(mode);
    else
        mprintf(L"\n%s: NULL\n\n", kind);
    mflush();
}

} // namespace

MSTR HelperDescription(OstrivansHelper* helper) {
    if (!helper) return MSTR(L"Unknown Reference Data");
    try {
        INode* node = helper->GetHelperNode();
        return WStr::Format(L"Name: %s\nRefNodes: %d, RefMaterials: %d, RefLayers: %d\nNodesToDelete: %d, "
                            L"RenamedLayers: %d",
                            node ? node->GetName() : L"", helper->NumRefNodes(), helper->NumRefMaterials(),
                            helper->NumRefLayers(), static_cast<int>(helper->GetNodesToDelete().size()),
                            static_cast<int>(helper->GetRenamedLayers().size()));
    } catch (...) {
        return MSTR(L"Unknown Reference Data");
    }
}

void PrintHelperData(OstrivansHelper* helper, int mode) {
    const std::vector<WStr>& toDelete = helper->GetNodesToDelete();
    const std::vector<RenamedLayer>& renamed = helper->GetRenamedLayers();
    mprintf(L"\nNum RefNodes: %d\nNum RefMaterials:%d\nNum RefLayers:%d\nNum NodesToDelete:%d\n\n",
            helper->NumRefNodes(), helper->NumRefMaterials(), helper->NumRefLayers(),
            static_cast<int>(toDelete.size()));

    mputs(L"\nNodesToDelete:\n");
    for (const WStr& name : toDelete)
        mprintf(L"%s,\n", name);
    if (toDelete.empty()) mputs(L"None\n");

    mputs(L"\nRenamedLayers:\n");
    for (const RenamedLayer& l : renamed)
        mprintf(L"%s -> %s%s\n", l.fileName, l.localName, l.full == 1 ? L" (Full)" : L"");
    if (renamed.empty()) mputs(L"None\n");
    mputs(L"\n");
    mflush();

    for (int i = 0; i < helper->NumRefNodes(); ++i)
        PrintRecord(helper->GetRefNode(i), L"RefNode", mode);
    for (int i = 0; i < helper->NumRefMaterials(); ++i)
        PrintRecord(helper->GetRefMaterial(i), L"RefMaterial", mode);
    for (int i = 0; i < helper->NumRefLayers(); ++i) {
        auto* layer = dynamic_cast<ILayer*>(helper->GetRefLayer(i));
        mprintf(L"\nRefLayer: %s\n\n", layer ? layer->GetName() : MSTR(L"NULL"));
        mflush();
    }
}
