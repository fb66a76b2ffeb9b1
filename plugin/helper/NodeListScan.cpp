// The helper's scan of the scene's node lists before its records collect.
#include "plugin/helper/NodeListScan.h"

#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Object.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/records/NodeTable.h"
#include "plugin/records/RefNode.h"

#include <unordered_set>
#include <vector>

void OfferNodeListCandidates(OstrivansHelper& helper) {
    // The loaded records by node, the first record of a node kept. Most scenes hold no object with a node
    // list: the table is made when the first one is met.
    NodeTable loaded;
    std::vector<RefNode*> recordAt;
    bool tabled = false;
    const auto record = [&](INode* node) -> RefNode* {
        if (!tabled) {
            tabled = true;
            for (int i = 0; i < helper.NumRefNodes(); ++i)
                if (RefNode* rec = helper.GetRefNode(i); rec && rec->IsNodeLoaded())
                    if (loaded.Append(rec->GetNode())) recordAt.push_back(rec);
        }
        const int slot = loaded.SlotOf(node);
        return slot < 0 ? nullptr : recordAt[static_cast<size_t>(slot)];
    };
    bool anyLoaded = false;
    for (int i = 0; i < helper.NumRefNodes() && !anyLoaded; ++i)
        if (RefNode* rec = helper.GetRefNode(i); rec && rec->IsNodeLoaded() && rec->GetNode()) anyLoaded = true;
    if (!anyLoaded) return;

    std::unordered_set<Object*> seen;
    std::vector<INode*> stack{GetCOREInterface()->GetRootNode()};
    while (!stack.empty()) {
        INode* holder = stack.back();
        stack.pop_back();
        for (int c = 0; c < holder->NumberOfChildren(); ++c) stack.push_back(holder->GetChildNode(c));
        if (holder->IsRootNode()) continue;
        Object* top = holder->GetObjectRef();
        Object* obj = top ? top->FindBaseObject() : nullptr;
        // Only an object with a node list has anything to offer; the nodes of the reference offer nothing.
        if (!obj || obj->NumNodeLists() == 0 || record(holder)) continue;
        // An instance shared by several nodes is scanned once.
        if (!seen.insert(obj).second) continue;
        if (auto* light = dynamic_cast<LightObject*>(obj))
            if (ExclList* list = light->GetExclList())
                for (int p = 0; p < list->Count(); ++p)
                    if (RefNode* rec = record((*list)[p])) rec->OfferCandidateLight(light);
        if (ExclList* list = obj->GetOwnNodeList(0))
            for (int p = 0; p < list->Count(); ++p)
                if (RefNode* rec = record((*list)[p])) rec->OfferListingObject(obj, p);
    }
}

namespace {

// The list keeps its live nodes in order: emptied and filled again, which stays linear where removing
// entries one by one would move the rest of the list each time.
void DropDeletedEntries(ExclList& list) {
    INodeTab live;
    bool deleted = false;
    for (int p = 0; p < list.Count(); ++p) {
        if (INode* node = list[p])
            live.Append(node);
        else
            deleted = true;
    }
    if (!deleted) return;
    list.SetSize(0);
    for (int p = 0; p < live.Count(); ++p) list.AddNode(live[p]);
}

} // namespace

void DropDeletedNodeListEntries(OstrivansHelper& helper) {
    std::unordered_set<ExclList*> done;
    const auto clean = [&done](ExclList* list) {
        if (list && done.insert(list).second) DropDeletedEntries(*list);
    };
    for (int i = 0; i < helper.NumRefNodes(); ++i) {
        RefNode* rec = helper.GetRefNode(i);
        if (!rec) continue;
        for (int k = 0; k < rec->NumExcludingLights(); ++k)
            if (LightObject* light = rec->GetExcludingLight(k)) clean(light->GetExclList());
        for (int k = 0; k < rec->NumListingObjects(); ++k)
            if (auto* obj = dynamic_cast<Object*>(rec->GetListingObject(k))) clean(obj->GetOwnNodeList(0));
    }
}
