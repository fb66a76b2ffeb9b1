// The Biped's published interfaces: the master interface of a Biped's root controller (its modes, its
// animation and mixer files, layers, switches and nodes) and its motion mixer.
#pragma once

#include "host/core/Point3.h"
#include "host/core/Quat.h"
#include "host/core/WStr.h"
#include "host/core/MaxTypes.h"

class INode;

// GetInterface(I_BIPMASTER) on a Biped controller answers its IBipMaster.
constexpr ULONG I_BIPMASTER = 0x9165;

// Mode bits of GetMode, BeginModes and EndModes.
constexpr DWORD BMODE_FIGURE = 0x1;
constexpr DWORD BMODE_FOOTSTEP = 0x2;
constexpr DWORD BMODE_MOTIONFLOW = 0x4;
constexpr DWORD BMODE_MIXER = 0x400;
constexpr DWORD BMODE_ALL = BMODE_FIGURE | BMODE_FOOTSTEP | BMODE_MOTIONFLOW | BMODE_MIXER;

// Node ids of a Biped's body parts (GetNode).
constexpr int KEY_LARM = 0;
constexpr int KEY_RARM = 1;
constexpr int KEY_LLEG = 4;
constexpr int KEY_RLEG = 5;
constexpr int KEY_SPINE = 8;
constexpr int KEY_HEAD = 10;

// One clip of the motion mixer: a named motion placed on the mixer's timeline.
struct MixClip {
    MSTR name;
    TimeValue start = 0;
    TimeValue end = 0;
    bool operator==(const MixClip&) const = default;
};

// The motion mixer: an ordered list of clips, kept with the Biped and in mixer files of its own.
class IMixer {
public:
    virtual ~IMixer() = default;
    virtual int NumClips() = 0;
    virtual MixClip GetClip(int index) = 0;
    // Appends a clip (undoable).
    virtual void AddClip(const MixClip& clip) = 0;
    // Writes the clips to a mixer file; false with GetLastFileError saying why.
    virtual BOOL SaveMixFile(const MCHAR* fname) = 0;
    // Replaces the clips by a mixer file's (undoable); a missing or damaged file changes nothing.
    virtual BOOL LoadMixFile(const MCHAR* fname, BOOL redraw = TRUE) = 0;
    virtual MSTR GetLastFileError() = 0;
};

class IBipMaster {
public:
    virtual ~IBipMaster() = default;

    // Modes: figure mode edits the figure's structure instead of its animation; the animation file
    // cannot be written or read while the mixer or motion flow drives the Biped. Mode changes notify the
    // root controller's dependents (REFMSG_CHANGE, PART_ALL) and are undoable.
    virtual DWORD GetMode() = 0;
    virtual void BeginModes(DWORD modes, int redraw = TRUE) = 0;
    virtual void EndModes(DWORD modes, int redraw = TRUE) = 0;

    // The animation file: the figure, the keys of the root and of every body part. Loading replaces the
    // animation and drops the layers (undoable); a missing, damaged or foreign file changes nothing.
    // Both answer false with GetLastFileError saying why.
    virtual BOOL SaveFile(const MCHAR* fname) = 0;
    virtual BOOL LoadFile(const MCHAR* fname, BOOL redraw = TRUE, BOOL loadMaxObjects = FALSE,
                          BOOL retarget = FALSE) = 0;
    virtual MSTR GetLastFileError() = 0;

    // The motion mixer, or null when the Biped has none.
    virtual IMixer* GetMixer() = 0;
    // The mixer, made empty when there is none.
    virtual IMixer* MakeMixer() = 0;

    // Animation layers above the base animation.
    virtual int NumLayers() = 0;
    virtual void CreateLayer(int index, const MCHAR* name) = 0;
    virtual void DeleteLayer(int index) = 0;

    // Two display switches of the Biped.
    virtual BOOL GetShowFootsteps() = 0;
    virtual void SetShowFootsteps(BOOL on) = 0;
    virtual BOOL GetTwistLinks() = 0;
    virtual void SetTwistLinks(BOOL on) = 0;

    // The node of a body part by its id (KEY_LARM ...); link 0 only. Null when the Biped has no such part.
    virtual INode* GetNode(int id, int link = 0) = 0;
    // The root node (the node the root controller moves).
    virtual INode* GetRootNode() = 0;

    // The root's position and rotation relative to its parent at t. Setting them keys the root's
    // sub-controllers at t when setKey is true or they are animated, else sets their values.
    virtual Point3 GetBipedPos(TimeValue t, INode* node) = 0;
    virtual Quat GetBipedRot(TimeValue t, INode* node, BOOL local = TRUE) = 0;
    virtual void SetBipedPos(const Point3& p, TimeValue t, INode* node, BOOL setKey = FALSE) = 0;
    virtual void SetBipedRot(const Quat& q, TimeValue t, INode* node, BOOL setKey = FALSE) = 0;
};

// The master interface of a Biped controller (root or part), or null.
IBipMaster* GetBipMasterInterface(class Animatable* anim);
