// The reference list, walked from the scene root.
#include "plugin/script/ReferenceList.h"

#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Object.h"
#include "plugin/helper/OstrivansHelperClassDesc.h"
#include "plugin/helper/HelperNotifications.h"

#include <unordered_set>

namespace {

// Calls visit(node) for every node below the root in depth-first order until it answers false. The walk
// keeps its own stack: a deep hierarchy does not deepen the call stack.
template <class Visit> void WalkScene(Visit&& visit) {
    INode* root = GetCOREInterface()->GetRootNode();
    if (!root) return;
    std::vector<INode*> stack;
    for (int i = root->NumberOfChildren() - 1; i >= 0; --i) stack.push_back(root->GetChildNode(i));
    while (!stack.empty()) {
        INode* node = stack.back();
        stack.pop_back();
        if (!node) continue;
        if (!visit(node)) return;
        for (int i = node->NumberOfChildren() - 1; i >= 0; --i) stack.push_back(node->GetChildNode(i));
    }
}

} // namespace

OstrivansHelper* ReferenceHelperOf(INode* node) {
    // The class id first: the walk asks every node of the scene, and few carry a helper.
    Object* obj = node ? node->GetObjectRef() : nullptr;
    Object* base = obj ? obj->FindBaseObject() : nullptr;
    return base && base->ClassID() == OSTRIVANS_HELPER_CLASS_ID ? HelperOfNode(node) : nullptr;
}

std::vector<INode*> GatherReferenceNodes() {
    std::vector<INode*> list;
    WalkScene([&](INode* node) {
        if (ReferenceHelperOf(node)) list.push_back(node);
        return true;
    });
    return list;
}

int CountReferences() {
    int count = 0;
    WalkScene([&](INode* node) {
        if (ReferenceHelperOf(node)) ++count;
        return true;
    });
    return count;
}

INode* ReferenceNodeAt(int index) {
    INode* found = nullptr;
    if (index < 0) return nullptr;
    int seen = 0;
    WalkScene([&](INode* node) {
        if (!ReferenceHelperOf(node)) return true;
        if (seen++ == index) found = node;
        return found == nullptr;
    });
    return found;
}

std::vector<INode*> NodesAtIndices(const std::vector<INode*>& list, const Tab<int>* indices, bool keepRepeats) {
    std::vector<INode*> nodes;
    std::unordered_set<INode*> taken;
    for (int k = 0; indices && k < indices->Count(); ++k) {
        const int i = (*indices)[k];
        if (i < 0 || i >= static_cast<int>(list.size())) continue;
        INode* node = list[static_cast<size_t>(i)];
        if (keepRepeats || taken.insert(node).second) nodes.push_back(node);
    }
    return nodes;
}
