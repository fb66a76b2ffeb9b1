// Class descriptors: what the host asks of every plug-in class (identity, names, creation) and the
// parameter block descriptors and published interfaces a class owns.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/ParamType.h"
#include "host/core/Tab.h"
#include "host/core/WStr.h"

#include <string>
#include <vector>

class Animatable;
class FPInterface;
class IObjParam;
class Interface;
class ParamBlockDesc2;
class ReferenceMaker;

class ClassDesc {
public:
    ClassDesc() = default;
    virtual ~ClassDesc();
    ClassDesc(const ClassDesc&) = delete;
    ClassDesc& operator=(const ClassDesc&) = delete;

    virtual int IsPublic() = 0;
    // A new instance; loading is true when the host creates it to read it from a scene file.
    virtual void* Create(BOOL loading = FALSE) = 0;
    virtual int BeginCreate(Interface* /*i*/) { return 0; }
    virtual int EndCreate(Interface* /*i*/) { return 0; }
    virtual const MCHAR* ClassName() = 0;
    virtual const MCHAR* NonLocalizedClassName() { return ClassName(); }
    virtual SClass_ID SuperClassID() = 0;
    virtual Class_ID ClassID() = 0;
    virtual const MCHAR* Category() = 0;
    virtual BOOL OkToCreate(Interface* /*i*/) { return TRUE; }
    virtual BOOL HasClassParams() { return FALSE; }
    virtual void EditClassParams(HWND /*parent*/) {}
    // The script-visible name when it differs from the class name; null keeps the class name.
    virtual const MCHAR* InternalName() { return nullptr; }
    // The module the class lives in.
    virtual HINSTANCE HInstance() { return nullptr; }
    virtual Class_ID SubClassID() { return Class_ID(); }

    // Parameter block descriptors: none here; ClassDesc2 keeps them.
    virtual int NumParamBlockDescs() { return 0; }
    virtual ParamBlockDesc2* GetParamBlockDesc(int /*i*/) { return nullptr; }
    virtual ParamBlockDesc2* GetParamBlockDescByID(BlockID /*id*/) { return nullptr; }
    virtual void AddParamBlockDesc(ParamBlockDesc2* /*pbd*/) {}
    virtual void BeginEditParams(IObjParam* /*ip*/, ReferenceMaker* /*obj*/, ULONG /*flags*/, Animatable* /*prev*/) {}
    virtual void EndEditParams(IObjParam* /*ip*/, ReferenceMaker* /*obj*/, ULONG /*flags*/, Animatable* /*next*/) {}
    virtual void MakeAutoParamBlocks(ReferenceMaker* /*owner*/) {}

    // Published interfaces of the class (mixin descriptions), in the order they were added.
    virtual int NumInterfaces() { return interfaces.Count(); }
    // Out of range throws the host's table range exception.
    virtual FPInterface* GetInterfaceAt(int i) { return interfaces[i]; }
    virtual FPInterface* GetInterface(Interface_ID id);
    // By script name, case-insensitive.
    virtual FPInterface* GetInterface(const MCHAR* name);
    // Adding the same interface twice does nothing; another interface with a taken id throws MAXException.
    virtual void AddInterface(FPInterface* fpi);
    virtual void ClearInterfaces();
    // Forgets fpi (a description being destroyed detaches itself this way).
    void RemoveInterface(FPInterface* fpi);

    // "OstrivansHelper super 0x50 class (0x8663dfa5, 0x3f273879) category \"Ostrivans\" public 0"
    std::string Describe();

protected:
    Tab<FPInterface*> interfaces;
};

// The descriptor plug-ins derive from: it keeps the class's parameter block descriptors. Building and
// resetting blocks is the parameter block implementation's work, installed through ParamBlockServices.
class ClassDesc2 : public ClassDesc {
public:
    int NumParamBlockDescs() override { return static_cast<int>(pbDescs_.size()); }
    // Null out of range.
    ParamBlockDesc2* GetParamBlockDesc(int i) override;
    ParamBlockDesc2* GetParamBlockDescByID(BlockID id) override;
    // The block id is read through the installed services when a lookup needs it.
    void AddParamBlockDesc(ParamBlockDesc2* pbd) override;
    // Records the block id with the descriptor.
    void AddParamBlockDesc(ParamBlockDesc2* pbd, BlockID id);
    void ClearParamBlockDescs() { pbDescs_.clear(); }

    // Builds the blocks marked for automatic construction on owner.
    void MakeAutoParamBlocks(ReferenceMaker* owner) override;
    virtual void InvalidateUI(ParamBlockDesc2* /*pbd*/) {}

    // What the parameter block implementation provides to every ClassDesc2; any entry may be null.
    struct ParamBlockServices {
        BlockID (*blockIdOf)(ParamBlockDesc2* pbd) = nullptr;
        void (*makeAutoParamBlocks)(ClassDesc2* cd, ReferenceMaker* owner) = nullptr;
    };
    static void SetParamBlockServices(const ParamBlockServices& services);
    static const ParamBlockServices& GetParamBlockServices();

private:
    struct Entry {
        ParamBlockDesc2* pbd;
        bool hasId;
        BlockID id;
    };
    std::vector<Entry> pbDescs_;
};
