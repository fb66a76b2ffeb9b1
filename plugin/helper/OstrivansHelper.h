// The scene helper that owns one reference to another scene file: its parameters and its records.
#pragma once

#include "host/scene/IParamBlock2.h"
#include "host/scene/Object.h"
#include "plugin/helper/OstrivansHelperClassDesc.h"

#include <string>
#include <vector>

class RefNode;
class RefMaterial;

// References: 0 the parameter block, 1 the scene material library held during a merge, then one per
// RefNode, one per RefMaterial and one per layer record's layer, in that order.
class OstrivansHelper : public HelperObject {
public:
    static constexpr int kParamBlockRef = 0;
    static constexpr int kHeldMtlLibRef = 1;
    static constexpr int kFirstRecordRef = 2;

    // A fresh helper gets its parameter block from the descriptor; a loading one gets it from the file.
    explicit OstrivansHelper(BOOL loading = FALSE);
    ~OstrivansHelper() override;

    Class_ID ClassID() override { return OSTRIVANS_HELPER_CLASS_ID; }
    SClass_ID SuperClassID() override { return HELPER_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    Interval ObjectValidity(TimeValue t) override {
        (void)t;
        return FOREVER;
    }

    int NumRefs() override;
    RefTargetHandle GetReference(int i) override;
    RefTargetHandle Clone(RemapDir& remap) override;
    void DeleteThis() override { delete this; }

    int NumSubs() override { return 1; }
    Animatable* SubAnim(int i) override;
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override { return subNum == 0 ? kParamBlockRef : -1; }
    int NumParamBlocks() override { return 1; }
    IParamBlock2* GetParamBlock(int i) override { return i == 0 ? pblock_ : nullptr; }
    IParamBlock2* GetParamBlockByID(BlockID id) override;

    IParamBlock2* GetParamBlock() const { return pblock_; }
    int NumRefNodes() const { return static_cast<int>(refNodes_.size()); }
    int NumRefMaterials() const { return static_cast<int>(refMaterials_.size()); }
    int NumRefLayers() const { return static_cast<int>(layers_.size()); }
    // Null out of range.
    RefNode* GetRefNode(int i) const;
    RefMaterial* GetRefMaterial(int i) const;
    // The value of UseNamePrefix when the parameter block was attached.
    bool GetPrefixFlagCopy() const { return prefixFlagCopy_ != 0; }

    // Parameter by parameter, in id order: "Active = true", "FileName = \"c:/a.max\"", ...
    std::string DumpParams();

protected:
    // Record slots keep the records' back-pointers to their helper. Attaching the parameter block takes
    // the prefix flag copy and brings an old reload setting into PersistReloadType.
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    void AttachParamBlock(IParamBlock2* pb);

    IParamBlock2* pblock_ = nullptr;
    ReferenceTarget* heldMtlLib_ = nullptr;
    std::vector<RefNode*> refNodes_;
    std::vector<RefMaterial*> refMaterials_;
    std::vector<ReferenceTarget*> layers_;
    int prefixFlagCopy_ = 0;
};
