// The class descriptor every class of the module is registered with: identity, names from the string
// table, category "Ostrivans", not public, instances made with the host's loading flag.
#pragma once

#include "host/core/ClassDesc.h"

class Animatable;

class OstrivansClassDesc : public ClassDesc2 {
public:
    // Makes a new instance; loading is TRUE when the host creates it to read it from a scene file.
    using CreateProc = Animatable* (*)(BOOL loading);

    // nameId names the class in the string table; literalName is the same text, given as a literal for the
    // non-localized name.
    OstrivansClassDesc(int nameId, const MCHAR* literalName, SClass_ID superClassId, Class_ID classId,
                       CreateProc create);

    int IsPublic() override { return FALSE; }
    // The new instance as an Animatable*, the first base of every host class, as the host expects.
    void* Create(BOOL loading = FALSE) override;
    const MCHAR* ClassName() override;
    const MCHAR* NonLocalizedClassName() override { return literalName_; }
    SClass_ID SuperClassID() override { return superClassId_; }
    Class_ID ClassID() override { return classId_; }
    const MCHAR* Category() override;
    HINSTANCE HInstance() override;

    int NameId() const { return nameId_; }

private:
    int nameId_;
    const MCHAR* literalName_;
    SClass_ID superClassId_;
    Class_ID classId_;
    CreateProc create_;
};

// The descriptor's creation function for a class constructed from the loading flag.
template <class T> Animatable* CreateWithLoadingFlag(BOOL loading) {
    return new T(loading);
}
