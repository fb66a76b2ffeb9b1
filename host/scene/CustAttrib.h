// Custom attributes: extra parameter sets attached to any animatable through its container.
#pragma once

#include "host/core/PlugApi.h"
#include "host/core/ReferenceTarget.h"

#include <iosfwd>
#include <vector>

struct ParamDef;
class ParamBlockDesc2;
class ClassDesc2;
class RemapDir;

// Super class CUST_ATTRIB_CLASS_ID; its parameters live in its parameter blocks. Attributes are data
// the user added, not animation of their owner: they fail the primary test (CanCopyAnim).
class CustAttrib : public ReferenceTarget {
public:
    SClass_ID SuperClassID() override { return CUST_ATTRIB_CLASS_ID; }
    virtual const MCHAR* GetName(bool /*localized*/ = true) { return L"Custom Attribute"; }
    BOOL CanCopyAnim() override { return FALSE; }
};

constexpr Class_ID CUSTATTRIB_CONTAINER_CLASS_ID(0x5DDB3626, 0x23B708DB);

// The container of an animatable's custom attributes (class CUSTATTRIB_CONTAINER_CLASS_ID, super class
// REF_MAKER_CLASS_ID). Appending or removing an attribute notifies REFMSG_SUBANIM_STRUCTURE_CHANGED from
// the container and from its owner, and broadcasts NOTIFY_CUSTOM_ATTRIBUTES_ADDED / _REMOVED; both put
// restore objects while holding, and undo and redo send the structure message again.
class ICustAttribContainer : public ReferenceTarget {
public:
    virtual int GetNumCustAttribs() = 0;
    virtual CustAttrib* GetCustAttrib(int i) = 0;
    virtual void AppendCustAttrib(CustAttrib* attribute) = 0;
    virtual void InsertCustAttrib(int i, CustAttrib* attribute) = 0;
    virtual void RemoveCustAttrib(int i) = 0;
    // The animatable the container belongs to.
    virtual Animatable* GetOwner() = 0;
};

// Installs the container hooks of Animatable (AllocCustAttribContainer makes one of these) and registers
// the container class. Idempotent.
void RegisterCustAttribClasses();

// A custom attribute class defined at run time (as scripts define attributes): a name, a class id and
// one parameter block (id 0) of the given parameters. The definition is registered with the class
// directory, so scene files can re-create its attributes; definitions live as long as the process.
class CustAttribDef {
public:
    virtual ~CustAttribDef() = default;
    virtual const MSTR& Name() const = 0;
    virtual Class_ID ClassID() const = 0;
    virtual ClassDesc2* GetClassDesc() = 0;
    virtual ParamBlockDesc2* GetBlockDesc() = 0;
    // A new attribute with its block at the defaults.
    virtual CustAttrib* CreateInstance() = 0;
};

// Defines an attribute class. With no class id given, one is derived from the name (the same name gives
// the same id in every session). Defining a name again with the same parameters answers the existing
// definition; with other parameters, or with a class id another class has, it throws MAXException.
CustAttribDef* DefineCustAttrib(const MSTR& name, const std::vector<ParamDef>& params, Class_ID classId = Class_ID());
// By name (case-insensitive) or class id; null when there is none.
CustAttribDef* FindCustAttribDef(const MSTR& name);
CustAttribDef* FindCustAttribDef(const Class_ID& classId);

// The attributes of an animatable, for the scene dump: one block per attribute with its parameters.
void DumpCustAttribs(Animatable* owner, std::ostream& os, int indent = 0);
