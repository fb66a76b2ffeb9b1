// The mirror of an object or shape with a real-world map size setting: the setting, when the user changed
// it, kept in the mirror and written into the fresh object after every merge.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <cstdint>

// The object's parameters are mirrored by its parameter block mirrors; its own change messages say nothing
// the mirror keeps, except a geometry change that alters the map size setting. IsModified answers false:
// the object is never kept, the setting is (with the Modified bit as the sign that it was changed).
class RefAnimRWMS : public RefAnimKind<RefAnimRWMS, RefAnim, KIND_RWMS, IDS_REFANIMRWMS> {
public:
    using RefAnimKind::RefAnimKind;

    bool IsModified() const override { return false; }
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Follows the object; while the user has not changed it, takes the object's setting.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // Follows the fresh object and gives it the user's setting.
    void Override(Animatable* root) override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    MSTR Describe() override;

    bool IsChanged() const { return IsOverridden(REFANIM_MODIFIED); }
    bool GetMapSize() const { return mapSize_ != 0; }

    static constexpr USHORT kMapSizeChunk = 0x2A;
    // The setting the referenced file had when the user changed it (shown in the dump).
    static constexpr USHORT kFileMapSizeChunk = 0x2B;

private:
    std::int32_t mapSize_ = 0;
    std::int32_t fileMapSize_ = 0;
};

// The real-world map size setting of an object or shape; false when it has none.
bool ReadMapSize(Animatable* anim, bool& value);
// Sets it where the object has the setting and it differs.
void WriteMapSize(Animatable* anim, bool value);
