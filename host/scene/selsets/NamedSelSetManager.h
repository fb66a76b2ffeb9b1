// The scene's named selection sets: ordered node lists by name, held weakly by node handle.
#pragma once

#include "host/core/Animatable.h"
#include "host/scene/NamedSelectionSets.h"

#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

struct NotifyInfo;

// One set. Members are kept in order by an ever-growing key, so a member taken out (a node deletion)
// goes back to its place when the deletion is undone, in logarithmic time.
struct NamedSelSet {
    MSTR name;
    std::map<std::int64_t, AnimHandle> members;
    std::unordered_map<AnimHandle, std::int64_t> keyOf;
    std::int64_t nextKey = 0;
    // The live nodes in order, rebuilt after a change.
    std::vector<INode*> cache;
    bool dirty = true;

    const std::vector<INode*>& Nodes();
    void Insert(std::int64_t key, AnimHandle h);
    void Erase(std::int64_t key);
};

// What the undo records reach through a weak pointer: a reset starts new data, and records of the old
// one then do nothing.
struct NamedSelSetData {
    std::vector<std::unique_ptr<NamedSelSet>> sets;
    std::unordered_map<MSTR, NamedSelSet*> byName;

    int IndexOf(const NamedSelSet* s) const;
};

class NamedSelSetManager : public INamedSelectionSetManager {
public:
    NamedSelSetManager();
    ~NamedSelSetManager() override;
    NamedSelSetManager(const NamedSelSetManager&) = delete;
    NamedSelSetManager& operator=(const NamedSelSetManager&) = delete;

    int GetNumNamedSelSets() override { return static_cast<int>(data_->sets.size()); }
    MSTR GetNamedSelSetName(int i) override;
    int GetNamedSelSetItemCount(int i) override;
    INode* GetNamedSelSetItem(int i, int j) override;
    int FindNamedSelSet(const MSTR& name) override;
    BOOL AddNewNamedSelSet(INodeTab& nodes, const MSTR& name) override;
    BOOL RemoveNamedSelSet(const MSTR& name) override;
    BOOL SetNamedSelSetName(int i, const MSTR& name) override;
    BOOL AppendToNamedSelSet(int i, INodeTab& nodes) override;
    BOOL ReplaceNamedSelSet(INodeTab& nodes, int i) override;
    void RemoveNode(INode* node) override;
    void Reset() override;

private:
    static void OnNodeDeleted(void* param, NotifyInfo* info);
    NamedSelSet* At(int i) const;

    std::shared_ptr<NamedSelSetData> data_;
};
