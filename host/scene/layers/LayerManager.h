// The scene's layer manager: every layer of the scene as its references, with a name index.
#pragma once

#include "host/scene/ILayer.h"
#include "host/scene/materials/RefTable.h"

#include <string>
#include <unordered_map>

class Layer;

constexpr Class_ID LAYER_MANAGER_CLASS_IDENT(0x7E9858FE, 0x1DBA1DF1);

// References: the layers in index order, real (the manager keeps its layers alive); index 0 is layer "0".
// Names are unique without case; GetLayer(name) is a hash lookup kept up to date through the layers'
// REFMSG_NODE_NAMECHANGE.
class LayerManager : public ReferenceTarget, public ILayerManager, public RefTableHost {
public:
    // A manager for loading starts empty; its layers come back as references.
    explicit LayerManager(bool loading = false);
    ~LayerManager() override;

    Class_ID ClassID() override { return LAYER_MANAGER_CLASS_IDENT; }
    SClass_ID SuperClassID() override { return REF_TARGET_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;

    int GetLayerCount() override { return table_.Count(); }
    ILayer* GetLayer(int i) override;
    ILayer* GetLayer(const MSTR& name) override;
    ILayer* CreateLayer(const MSTR& name) override;
    ILayer* CreateLayer() override { return CreateLayer(MSTR()); }
    BOOL DeleteLayer(const MSTR& name) override;
    BOOL AddLayer(ILayer* layer) override;
    ILayer* GetCurrentLayer() override;
    void SetCurrentLayer(const MSTR& name) override;
    ILayer* GetRootLayer() override;
    bool IsLayerInScene(ILayer* layer) override;
    bool GetDuplicateLayerWithoutSameHierarchyOnMerge() override { return dupOnMerge_; }
    void SetDuplicateLayerWithoutSameHierarchyOnMerge(bool on) override { dupOnMerge_ = on; }
    void Reset() override;

    // Whether a layer other than except carries name (without case).
    bool NameTaken(const MSTR& name, ILayer* except) const;
    // name when free, else name followed by the first free three-digit number ("Walls001").
    MSTR UniqueName(const MSTR& name) const;

    int NumRefs() override { return table_.Count(); }
    RefTargetHandle GetReference(int i) override { return table_.Get(i); }
    int NumSubs() override { return table_.Count(); }
    Animatable* SubAnim(int i) override { return table_.Get(i); }
    MSTR SubAnimName(int i, bool localized = true) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Chunk 0x4400: layer count, current layer index, the merge setting.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    void RefTableRestored(RefTable& /*table*/) override {}

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    static std::wstring Key(const MSTR& name) { return name.ToLower().str(); }
    void Index(Layer* l);
    void Unindex(Layer* l);

    RefTable table_;
    std::unordered_map<std::wstring, Layer*> byName_;
    std::unordered_map<Layer*, std::wstring> keyOf_;
    AnimHandle current_ = 0;
    int loadedCurrent_ = -1;
    bool dupOnMerge_ = false;
};
