// The mirror of a material (and, without the viewport map, of a texture map): the user's name and the
// material properties no parameter block holds, kept one by one.
#pragma once

#include "host/core/PlugApi.h"
#include "plugin/anims/RefAnimKind.h"
#include "plugin/frame/SharedName.h"

#include <cstdint>

class MtlBase;

// Parameter changes are the business of the block mirrors below, so a change message of the material never
// marks it as a whole: the fresh material of every merge is followed, and only what the user changed of
// its own (its name, its flags, effects channel and viewport map, each by its mask bit) is written into it.
class RefAnimMtl : public RefAnimKind<RefAnimMtl, RefAnim, KIND_MTL, IDS_REFANIMMTL> {
public:
    explicit RefAnimMtl(BOOL loading = FALSE) : RefAnimKind(loading) {}
    ~RefAnimMtl() override;

    // Property mask bits: which properties the user changed.
    static constexpr std::uint16_t kSampleType = 0x001;
    static constexpr std::uint16_t kBacklight = 0x002;
    static constexpr std::uint16_t kBackground = 0x004;
    static constexpr std::uint16_t kSampleUVTiling = 0x008;
    static constexpr std::uint16_t kVideoColorCheck = 0x010;
    static constexpr std::uint16_t kEffectsID = 0x020;
    static constexpr std::uint16_t kActiveMap = 0x040;
    static constexpr std::uint16_t kHardwareDisplay = 0x080;
    static constexpr std::uint16_t kHardwareTexture = 0x100;
    static constexpr std::uint16_t kMtlDisplay = 0x400;

    std::uint16_t GetPropertyMask() const { return mask_; }
    const WStr& GetStoredName() const { return name_.Str(); }

    // ---- references: 0 the material, 1 the map it shows in viewports (materials only)
    int NumRefs() override { return TracksActiveMap() ? 2 : 1; }
    RefTargetHandle GetReference(int i) override;
    // The viewport map is never kept alive by the mirror; the material as any mirror keeps its animatable.
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    // Watches renames and the viewport map; always stops propagation.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    bool IsModified() const override { return false; }
    // Follows the material and takes its name and properties as they are.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // Finds the properties changed without a message of their own (flags, effects channel).
    void CollectLocDep(DWORD stamp) override;
    // Puts the user's name and changed properties on the fresh material, then follows it.
    void Override(Animatable* root) override;
    // Shows the user's viewport map once every record is bound.
    void FinishOverride() override;
    MSTR Describe() override;

    static constexpr USHORT kNameChunk = 0x2A;
    static constexpr USHORT kPropertiesChunk = 0x2B;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;
    // The super class of what the mirror follows.
    virtual SClass_ID MirroredSuperClass() const { return MATERIAL_CLASS_ID; }
    virtual bool TracksActiveMap() const { return true; }

private:
    struct Property;
    static const Property kProperties[10];
    MtlBase* Material() const;
    int CurrentValue(MtlBase* m, const Property& p) const;
    int StoredValue(const Property& p) const;
    void Store(const Property& p, int value);
    void Write(MtlBase* m, const Property& p, int value);
    // Stores every property of m (the viewport map included).
    void Snapshot(MtlBase* m);
    // The user's viewport map as the map in the same slot of the fresh material, when the old one had it
    // as a direct map.
    void FollowActiveMapInto(MtlBase* fresh);
    void ApplyActiveMap();

    ReferenceTarget* activeMap_ = nullptr;
    bool finished_ = false;
    std::uint16_t mask_ = 0;
    std::uint8_t bits_ = 0;
    std::uint8_t sampleType_ = 0;
    std::uint8_t uvTiling_ = 0;
    std::uint8_t effectsId_ = 0;
    // Kept once for the mirrors of every node that uses the material.
    SharedName name_;
};

// Mirrors texture maps: the map's name and flags as a material's, without a viewport map of its own.
class RefAnimTexmap : public RefAnimKind<RefAnimTexmap, RefAnimMtl, KIND_TEXMAP, IDS_REFANIMTEXMAP> {
public:
    using RefAnimKind::RefAnimKind;

protected:
    SClass_ID MirroredSuperClass() const override { return TEXMAP_CLASS_ID; }
    bool TracksActiveMap() const override { return false; }
};
