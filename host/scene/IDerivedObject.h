// Derived objects: an object reference plus a stack of modifiers with their contexts. Object-space
// derived objects hold a base object (or another derived object); the world-space derived object of a
// node holds the node's object-space pipeline and the space-warp modifiers.
#pragma once

#include "host/scene/Modifier.h"
#include "host/scene/Object.h"

constexpr Class_ID DERIVOB_CLASS_ID_OS(DERIVOB_CLASS_ID, 0);
constexpr Class_ID DERIVOB_CLASS_ID_WS(WSM_DERIVOB_CLASS_ID, 0);

// Super class GEN_DERIVOB_CLASS_ID for both kinds. Modifier 0 is the top of the stack.
// - Adding a modifier broadcasts NOTIFY_PRE_MODIFIER_ADDED / NOTIFY_POST_MODIFIER_ADDED around the edit
//   and notifies REFMSG_MODIFIER_ADDED then REFMSG_SUBANIM_STRUCTURE_CHANGED to the dependents (so the
//   node hears them).
// - Deleting one broadcasts NOTIFY_PRE_MODIFIER_DELETED / NOTIFY_POST_MODIFIER_DELETED around the edit and
//   notifies REFMSG_SUBANIM_STRUCTURE_CHANGED; the modifier is deleted afterwards unless something else
//   holds it (a real dependency).
// - Replacing one (SetModifier) or the object (ReferenceObject) notifies REFMSG_SUBANIM_STRUCTURE_CHANGED.
// The broadcasts carry a NotifyModAddDelParam with the node whose pipeline this is (null when none). All
// three put restore objects while holding; undo and redo send the reference messages again.
class IDerivedObject : public Object {
public:
    SClass_ID SuperClassID() override { return GEN_DERIVOB_CLASS_ID; }
    virtual int NumModifiers() = 0;
    virtual Modifier* GetModifier(int index) = 0;
    virtual ModContext* GetModContext(int index) = 0;
    // Inserts mod before position before (0 = top of the stack, NumModifiers() = bottom); the modifier
    // that was at before moves to before + 1. The derived object takes ownership of mc; a null context
    // gets a fresh one (identity transform, the object's bounding box).
    virtual void AddModifier(Modifier* mod, ModContext* mc = nullptr, int before = 0) = 0;
    virtual void DeleteModifier(int index = 0) = 0;
    virtual void SetModifier(int index, Modifier* mod) = 0;
    virtual Object* GetObjRef() = 0;
    // Makes obj the object the stack applies to; notifies REFMSG_SUBANIM_STRUCTURE_CHANGED when it changed.
    virtual RefResult ReferenceObject(Object* obj) = 0;
    virtual BOOL IsWorldSpace() = 0;
};

IDerivedObject* CreateDerivedObject(Object* obj = nullptr);
IDerivedObject* CreateWSDerivedObject(Object* obj = nullptr);
