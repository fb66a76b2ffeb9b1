// The mirror of a scene-reference object or material of the host's own external reference system: the
// file, item, proxy and switch settings it saw last, the user's change of them marking it, and the item
// loaded again once a merge has put the user's settings back.
#pragma once

#include "plugin/anims/RefAnimKind.h"
#include "host/scene/objects/SceneRefSource.h"

// The settings live in the reference's block, whose own mirror keeps each one the user changed and puts it
// on the fresh block: a user's item or proxy switch survives a reload while the author's other settings
// come through. This mirror only says that the reference was changed (the Modified bit); IsModified answers
// false, so the reference itself is never kept. Loading the item the settings name waits until every
// mirror of the merge has overridden (FinishOverride): loading it before the block's mirror put the user's
// item back would read the author's item for nothing.
class RefAnimXRef : public RefAnimKind<RefAnimXRef, RefAnim, KIND_XREF, IDS_REFANIMXREF> {
public:
    using RefAnimKind::RefAnimKind;

    bool IsModified() const override { return false; }
    // A change of the settings is the user's: recorded and marked (undoable). The item loading again (a
    // geometry or material change of the reference) is not. Undo and redo re-read the settings.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    RefResult SetAnim(ReferenceTarget* anim) override;
    // Compares once more before the content goes: a change made while messages were ignored counts too.
    void CollectLocDep(DWORD stamp) override;
    // Follows the fresh reference and asks to finish once the merge is bound.
    void Override(Animatable* root) override;
    // Reads the settings the block's mirror put back and, after a merge, loads the item they name.
    void FinishOverride() override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    MSTR Describe() override;

    const SceneRefSettings& GetSettings() const { return settings_; }

protected:
    // A scene reference arriving in reference 0 gives the settings: the file's, or the user's that a scene
    // file gives back.
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    // The settings of a scene-reference object or material; false for anything else (the XRef controller).
    static bool SettingsOf(Animatable* anim, SceneRefSettings& out);
    void Compare(bool undoable);

    SceneRefSettings settings_;
};
