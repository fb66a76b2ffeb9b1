// The scene's asset enumeration: every node and the scene material library report the files they use.
#include "host/application/HostInterface.h"
#include "host/core/AssetEnumCallback.h"
#include "host/core/ReferenceTarget.h"
#include "host/scene/INode.h"
#include "host/scene/Mtl.h"

#include <vector>

namespace {

std::vector<INode*> NodesBelow(INode* root) {
    std::vector<INode*> nodes;
    std::vector<INode*> stack{root};
    while (!stack.empty()) {
        INode* n = stack.back();
        stack.pop_back();
        for (int i = n->NumberOfChildren() - 1; i >= 0; --i) {
            INode* c = n->GetChildNode(i);
            nodes.push_back(c);
            stack.push_back(c);
        }
    }
    return nodes;
}

// Takes the visit marks off again, following only makers that carry one, so the walk costs what the
// enumeration did.
void ClearVisitMarks(ReferenceMaker* start) {
    std::vector<ReferenceMaker*> stack{start};
    while (!stack.empty()) {
        ReferenceMaker* rm = stack.back();
        stack.pop_back();
        if (!rm || !rm->TestAFlag(A_WORK1)) continue;
        rm->ClearAFlag(A_WORK1);
        for (int i = 0; i < rm->NumRefs(); ++i)
            stack.push_back(rm->GetReference(i));
        stack.push_back(rm->GetCustAttribContainerTarget());
    }
}

} // namespace

void HostInterface::EnumAuxFiles(AssetEnumCallback& assetEnum, DWORD flags) {
    flags |= FILE_ENUM_CHECK_AWORK1;
    std::vector<ReferenceMaker*> starts;
    for (INode* n : NodesBelow(GetRootNode()))
        starts.push_back(n);
    if (MtlBaseLib* lib = GetSceneMtls()) starts.push_back(lib);
    for (ReferenceMaker* rm : starts)
        rm->EnumAuxFiles(assetEnum, flags);
    for (ReferenceMaker* rm : starts)
        ClearVisitMarks(rm);
}
