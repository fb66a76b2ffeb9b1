// A scene layer: name, hierarchy, hidden and frozen states; its nodes are the nodes that reference it.
#pragma once

#include "host/scene/ILayer.h"

#include <cstdint>
#include <map>

class LayerManager;

// The layer's own class (super class LAYER_CLASS_ID).
constexpr Class_ID LAYER_CLASS_IDENT(0x7E9858FE, 0x1DBA1DF0);

// Reference 0 is the parent layer (real: a parent stays while it has children). The parent keeps its
// children in creation order; the list follows every change of reference 0, undo and redo included.
class Layer : public ILayer {
public:
    explicit Layer(const MSTR& name = MSTR());
    ~Layer() override;

    Class_ID ClassID() override { return LAYER_CLASS_IDENT; }
    void GetClassName(MSTR& s, bool localized = true) const override;

    MSTR GetName() const override { return name_; }
    BOOL SetName(const MSTR& name) override;
    BOOL AddToLayer(INode* node) override;
    BOOL Nodes(INodeTab& nodes) override;
    int NumNodes() override;
    ILayer* GetParentLayer() const override { return parent_; }
    bool SetParentLayer(ILayer* parent) override;
    int GetNumChildLayers() const override { return static_cast<int>(children_.size()); }
    ILayer* GetChildLayer(int i) const override;
    bool IsHidden() const override { return hidden_; }
    void Hide(bool on) override;
    bool IsFrozen() const override { return frozen_; }
    void Freeze(bool on) override;

    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? parent_ : nullptr; }
    // Chunks 0x4300 name, 0x4301 hidden and frozen.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    // Layer "0" of its manager.
    bool IsRootLayer() const;
    LayerManager* Manager() const { return manager_; }
    void SetManager(LayerManager* m) { manager_ = m; }
    // Whether any node is on this layer.
    bool HasNodes() { return nodeCount_ > 0; }
    // Called by a node whose layer reference comes to this layer (+1) or leaves it (-1), by an edit, an
    // undo or a deletion alike: the count answers without reading a node of a layer that has 100k.
    void CountNode(int delta) { nodeCount_ += delta; }

    // Entry points of the undo records and of a scene reset: set the state and notify, no record.
    void RestoreName(const MSTR& name);
    void RestoreFlags(bool hidden, bool frozen);

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    void PutFlagsRecord(bool hidden, bool frozen);

    MSTR name_;
    bool hidden_ = false;
    bool frozen_ = false;
    int nodeCount_ = 0;
    Layer* parent_ = nullptr;
    std::uint64_t seq_;
    std::map<std::uint64_t, Layer*> children_;
    LayerManager* manager_ = nullptr;
};
