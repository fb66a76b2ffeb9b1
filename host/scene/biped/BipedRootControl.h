// The root controller of a Biped: the root's vertical and horizontal position and its turning as three
// float sub-controllers, the Biped's modes, and the master interface through which the whole Biped is
// driven (modes, animation and mixer files, layers, switches, nodes).
#pragma once

#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"
#include "host/scene/biped/IBipMaster.h"

class BipedMaster;
class BipedPartControl;

constexpr Class_ID BIPED_ROOT_CLASS_ID(0x9156, 0);

class BipedRootControl : public Control, public IBipMaster {
public:
    enum { kMasterRef = 0, kVerticalRef = 1, kHorizontalRef = 2, kTurningRef = 3 };

    // A new root gets a new master and three float sub-controllers; one made for loading gets them from
    // the file.
    explicit BipedRootControl(BOOL loading = FALSE);

    Class_ID ClassID() override { return BIPED_ROOT_CLASS_ID; }
    SClass_ID SuperClassID() override { return CTRL_MATRIX3_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    // A Biped is moved as a whole, never copied into another controller.
    BOOL CanCopyAnim() override { return FALSE; }
    BOOL IsLeaf() override { return FALSE; }
    using Control::GetInterface;
    void* GetInterface(ULONG id) override;

    // The root moves forward (Horizontal, along x) and up (Vertical, along z) and turns about z.
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    void SetValue(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) override;

    int NumRefs() override { return 4; }
    RefTargetHandle GetReference(int i) override;
    int NumSubs() override { return 3; }
    Animatable* SubAnim(int i) override { return i >= 0 && i < 3 ? GetReference(i + 1) : nullptr; }
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override { return subNum >= 0 && subNum < 3 ? subNum + 1 : -1; }
    BOOL CanAssignController(int subAnim) override { return subAnim >= 0 && subAnim < 3; }
    BOOL AssignController(Animatable* control, int subAnim) override;
    // A key of the root is an edit of the Biped's animation: the master tells every part of the Biped.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;

    // ---- IBipMaster
    DWORD GetMode() override { return modes_; }
    void BeginModes(DWORD modes, int redraw = TRUE) override;
    void EndModes(DWORD modes, int redraw = TRUE) override;
    BOOL SaveFile(const MCHAR* fname) override;
    BOOL LoadFile(const MCHAR* fname, BOOL redraw = TRUE, BOOL loadMaxObjects = FALSE, BOOL retarget = FALSE) override;
    MSTR GetLastFileError() override { return fileError_; }
    IMixer* GetMixer() override;
    IMixer* MakeMixer() override;
    int NumLayers() override;
    void CreateLayer(int index, const MCHAR* name) override;
    void DeleteLayer(int index) override;
    BOOL GetShowFootsteps() override;
    void SetShowFootsteps(BOOL on) override;
    BOOL GetTwistLinks() override;
    void SetTwistLinks(BOOL on) override;
    INode* GetNode(int id, int link = 0) override;
    INode* GetRootNode() override;
    Point3 GetBipedPos(TimeValue t, INode* node) override;
    Quat GetBipedRot(TimeValue t, INode* node, BOOL local = TRUE) override;
    void SetBipedPos(const Point3& p, TimeValue t, INode* node, BOOL setKey = FALSE) override;
    void SetBipedRot(const Quat& q, TimeValue t, INode* node, BOOL setKey = FALSE) override;

    BipedMaster* GetMaster() const;
    Control* Sub(int which) const { return subs_[which - 1]; }
    // The body part controllers of the Biped, in the order they joined it.
    std::vector<BipedPartControl*> GetParts() const;
    BipedPartControl* GetPart(int id) const;
    // The root controller among a master's dependents, or null.
    static BipedRootControl* OfMaster(BipedMaster* master);
    // The parts of the matrix a SetValue on Biped controller c stands for: a relative value is applied to
    // c's current one first.
    static AffineParts SetValueParts(Control* c, TimeValue t, const void* val, GetSetMethod method);
    // For undo records.
    void ApplyState(const DWORD& modes) { modes_ = modes; }

    RefTargetHandle Clone(RemapDir& remap) override;
    // Chunk 0x0100: the modes.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

protected:
    void SetReference(int i, RefTargetHandle t) override;

private:
    void ChangeModes(DWORD after);
    void ChangeSettings(int layers, BOOL showFootsteps, BOOL twistLinks);

    ReferenceTarget* master_ = nullptr;
    Control* subs_[3] = {nullptr, nullptr, nullptr};
    DWORD modes_ = 0;
    MSTR fileError_;
};

// A new Biped in the scene: a root node named name with the root controller, and below it the spine, the
// arms, the legs and the head, each with a part controller (their names start with name). height places
// the figure. Answers the root node.
INode* CreateBiped(const MSTR& name, float height);
