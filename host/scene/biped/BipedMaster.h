// The shared animation state of one Biped: its layers, its two switches and its motion mixer. The root
// controller and every body part controller reference it, so any edit of the Biped's animation reaches
// all of them and their dependents as one change of the master.
#pragma once

#include "host/core/ClassDesc.h"
#include "host/core/PlugApi.h"
#include "host/core/ReferenceTarget.h"
#include "host/core/RemapDir.h"
#include "host/scene/biped/IBipMaster.h"

#include <vector>

constexpr Class_ID BIPED_MASTER_CLASS_ID(0x9157, 0);

class BipedMaster : public ReferenceTarget, public IMixer {
public:
    struct State {
        int layers = 0;
        BOOL showFootsteps = FALSE;
        BOOL twistLinks = FALSE;
        bool hasMixer = false;
        std::vector<MixClip> clips;
        bool operator==(const State&) const = default;
    };

    explicit BipedMaster(BOOL loading = FALSE);

    Class_ID ClassID() override { return BIPED_MASTER_CLASS_ID; }
    SClass_ID SuperClassID() override { return REF_TARGET_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;

    const State& GetState() const { return state_; }
    // Records the change (undoable) and tells every dependent: an edit of the Biped's animation.
    void Change(const State& after);
    // Tells every dependent that the animation changed (a key of the root or of a part).
    void AnimationChanged();
    // For undo records.
    void ApplyState(const State& s) { state_ = s; }

    // ---- IMixer
    int NumClips() override { return static_cast<int>(state_.clips.size()); }
    MixClip GetClip(int index) override;
    void AddClip(const MixClip& clip) override;
    BOOL SaveMixFile(const MCHAR* fname) override;
    BOOL LoadMixFile(const MCHAR* fname, BOOL redraw = TRUE) override;
    MSTR GetLastFileError() override { return fileError_; }

    RefTargetHandle Clone(RemapDir& remap) override;
    // Chunks 0x0100 layers and switches, 0x0110 the mixer (present only with one): 0x0111 per clip.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

private:
    State state_;
    MSTR fileError_;
};
