// What a mirror asks of the record that owns it: the record's item and root, the mirror table's calls, and
// the calls that reach the record's helper.
#pragma once

#include "host/core/Animatable.h"
#include "host/core/MaxTypes.h"
#include "host/core/WStr.h"
#include "plugin/anims/PathName.h"

#include <cstdint>
#include <vector>

class INode;
class RefAnim;
class ReferenceTarget;

// The super class of every owner of mirrors (the records): a dependent of that super class is an owner,
// which answers for it without a cast through the class hierarchy.
constexpr SClass_ID REFANIM_OWNER_SUPER_CLASS_ID = 0x8663dfa6;
// The id an owner answers GetInterface(ULONG) with itself: a cast across to this interface through the
// class hierarchy compares type names between modules, and the unload and collection passes ask it of every
// record that depends on a node.
constexpr ULONG I_REFANIM_OWNER = 0x8663dfa7;

class IRefAnimOwner {
public:
    // The merged item the record stands for; null while the referenced content is unloaded.
    virtual ReferenceTarget* GetItem() const = 0;
    // The animatable the mirrors' paths start from.
    virtual Animatable* GetRootAnim() = 0;
    // Drops every other mirror whose paths begin with mirror's.
    virtual void DeleteMirrorsBelow(RefAnim* mirror) = 0;
    // anim now stands at the given place in place of what asking mirrored: the mirrors there go and anim
    // gets a mirror of its own. Null when anim is none or not a target.
    virtual RefAnim* MirrorOnDemandAt(RefAnim* asking, Animatable* anim, PathNames names,
                                      std::vector<std::int32_t> numbers) = 0;
    // The user put target at the given place (a parameter's new material, map or node): the mirrors there
    // go (asking is kept), target gets a Replaced mirror of its own, and the record takes its tree of
    // sub-animatables again so that its structure check does not meet the change a second time. Null when
    // target is none or not a target.
    virtual RefAnim* MirrorReplacedAt(RefAnim* asking, Animatable* target, PathNames names,
                                      std::vector<std::int32_t> numbers) = 0;

    // Whether the record's item stays in the scene through a save (its helper persists the reference).
    virtual bool KeepsItemThroughSave() const { return false; }

    // ---- through the record's helper; without helper, 0 and nothing
    // The helper's stamp, which marks the local-dependency flags of its current pass.
    virtual DWORD GetHelperStamp() const = 0;
    // Lets mirror finish its override once every record of the load is bound.
    virtual void RegisterChangedMirror(RefAnim* mirror) = 0;
    // The helper no longer deletes merged nodes of this name again (undoable).
    virtual void ForgetNodeToDelete(const WStr& name) = 0;
    // The helper's own node.
    virtual INode* GetHelperNode() const { return nullptr; }

protected:
    ~IRefAnimOwner() = default;
};

// The owner of mirrors that anim is, or null.
inline IRefAnimOwner* GetRefAnimOwner(Animatable* anim) {
    return anim ? static_cast<IRefAnimOwner*>(anim->GetInterface(I_REFANIM_OWNER)) : nullptr;
}
