// The scene's assets: every node and the scene material library report the files they use, and asset names
// resolve to the files they stand for.
#include "host/application/HostInterface.h"
#include "host/core/AssetEnumCallback.h"
#include "host/core/FileTime.h"
#include "host/core/ReferenceTarget.h"
#include "host/scene/IFileResolutionManager.h"
#include "host/scene/INode.h"
#include "host/scene/Mtl.h"

#include <filesystem>
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

// ---- Resolving asset names ----------------------------------------------------------------------------

namespace {

class HostFileResolution : public IFileResolutionManager {
public:
    std::vector<MSTR> GetCandidatePaths(const MCHAR* file) override {
        namespace fs = std::filesystem;
        std::vector<MSTR> out;
        if (!file || !*file) return out;
        const fs::path given(NormalizePath(file).ToUTF8());
        auto add = [&](const fs::path& p) { out.push_back(WStr::FromUTF8(p.lexically_normal().generic_string())); };
        if (given.is_absolute()) {
            add(given);
            return out;
        }
        const MSTR scene = GetCOREInterface()->GetCurFilePath();
        if (!scene.isNull()) add(fs::path(NormalizePath(scene).ToUTF8()).parent_path() / given);
        for (const MSTR& folder : projectFolders_) add(fs::path(NormalizePath(folder).ToUTF8()) / given);
        if (out.empty()) {
            std::error_code ec;
            add(fs::current_path(ec) / given);
        }
        return out;
    }

    MSTR GetFullFilePath(const MCHAR* file, int /*assetType*/, bool /*refresh*/) override {
        for (const MSTR& p : GetCandidatePaths(file))
            if (PathFileExists(p)) return p;
        return MSTR();
    }

    const std::vector<MSTR>& GetProjectFolders() const override { return projectFolders_; }
    void SetProjectFolders(std::vector<MSTR> folders) override { projectFolders_ = std::move(folders); }

private:
    std::vector<MSTR> projectFolders_;
};

} // namespace

IFileResolutionManager* IFileResolutionManager::GetInstance() {
    static HostFileResolution instance;
    return &instance;
}
