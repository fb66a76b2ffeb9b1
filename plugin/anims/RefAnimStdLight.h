// The mirror of a light: its on state and its include/exclude list, when the user changed them, kept in
// the mirror and given to the fresh light after every merge.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <cstdint>
#include <vector>

class LightObject;

// The light's parameters are mirrored by its parameter block mirrors. The list's nodes are the mirror's
// references 1.. (weak: the list never keeps a node) with their names beside them, so that nodes of the
// referenced content, which an unload deletes, are found again by name among the fresh nodes. IsModified
// answers false: the light is never kept, what the user changed is (the Modified bit tells that).
class RefAnimStdLight : public RefAnimKind<RefAnimStdLight, RefAnim, KIND_STD_LIGHT, IDS_REFANIMSTDLIGHT> {
public:
    explicit RefAnimStdLight(BOOL loading = FALSE) : RefAnimKind(loading) {}
    ~RefAnimStdLight() override;

    // Bits of the set of what the user changed.
    static constexpr std::uint8_t kOnState = 0x01;
    static constexpr std::uint8_t kExclusions = 0x02;

    int NumRefs() override { return 1 + static_cast<int>(nodes_.size()); }
    RefTargetHandle GetReference(int i) override;
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    bool IsModified() const override { return false; }
    // Switching the light on or off notifies; undo and redo re-read what is stored.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Follows the light and takes what the user did not change.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // The list changes without a message: it is compared here, before the content goes.
    void CollectLocDep(DWORD stamp) override;
    // Follows the fresh light and gives it the user's on state and list.
    void Override(Animatable* root) override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    MSTR Describe() override;

    std::uint8_t GetChangedSet() const { return changed_; }
    bool GetOn() const { return on_ != 0; }
    const std::vector<WStr>& GetExclusionNames() const { return names_; }

    static constexpr USHORT kOnChunk = 0x2A;
    static constexpr USHORT kListFlagsChunk = 0x2B;
    static constexpr USHORT kListCountChunk = 0x2C;
    static constexpr USHORT kChangedChunk = 0x2E;
    static constexpr USHORT kListNameChunk = 0x2F;  // one per entry, in list order
    static constexpr USHORT kFileOnChunk = 0x30;    // the on state the file had when the user changed it

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    static LightObject* LightOf(Animatable* anim);
    // Stores what mask names from the light.
    void Read(LightObject* light, std::uint8_t mask);
    std::uint8_t Differing(LightObject* light, std::uint8_t mask) const;
    void Change(LightObject* light, std::uint8_t diff);
    void SetNumNodes(size_t n);

    std::vector<ReferenceTarget*> nodes_;
    std::vector<WStr> names_;
    std::int32_t on_ = 1;
    std::int32_t fileOn_ = 1;
    std::int32_t listFlags_ = 0;
    std::uint8_t changed_ = 0;
};
