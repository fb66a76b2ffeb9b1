// The mirror of a referenced Biped body part controller: the part's key controller the user animated,
// held through the unload and put back on the fresh part once the merge is bound.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <cstdint>

// A part controller belongs to its Biped, which the referenced file rebuilds at every merge: the mirror
// never keeps it or lets its references move. Reference 1 holds the part's key controller (its reference
// 1), a real dependency once the user keyed the part (Modified). The Biped's own mirror loads the whole
// animation into the fresh Biped; this one puts the part's keys back after it (FinishOverride), also for
// the parts that mirror does not hold.
class RefAnimBipCtrl : public RefAnimKind<RefAnimBipCtrl, RefAnim, KIND_BIP_CTRL, IDS_REFANIMBIPCTRL> {
public:
    explicit RefAnimBipCtrl(BOOL loading = FALSE) : RefAnimKind(loading) {}
    ~RefAnimBipCtrl() override;

    BOOL CanTransferReference(int) override { return FALSE; }
    int NumRefs() override { return 2; }
    RefTargetHandle GetReference(int i) override { return i == 1 ? keys_ : RefAnim::GetReference(i); }
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    // A new key of the part, or another key controller in it, is the user's.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Follows the part and takes its key controller, unless the user's is held.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // Takes the key controller the part has now when the user keyed it.
    void CollectLocDep(DWORD stamp) override;
    // Follows the fresh part; a keyed one asks to finish once the merge is bound.
    void Override(Animatable* root) override;
    // Puts the held key controller on the part.
    void FinishOverride() override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    MSTR Describe() override;

    static constexpr USHORT kPartIdChunk = 0x2A;
    static constexpr USHORT kKeyCountChunk = 0x2B;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    // The part's key controller now (its reference 1), or null.
    ReferenceTarget* PartKeys() const;
    void Take(ReferenceTarget* keys);

    ReferenceTarget* keys_ = nullptr;
    // The Biped node id of the part, and the keys its controller had when last taken.
    std::int32_t partId_ = -1;
    std::int32_t keyCount_ = 0;
};
