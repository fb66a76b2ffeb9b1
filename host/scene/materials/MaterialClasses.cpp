// Registration of the material, map and library classes.
#include "host/scene/Mtl.h"

#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/scene/materials/BitmapTex.h"
#include "host/scene/materials/MtlLibrary.h"
#include "host/scene/materials/MultiMaterial.h"
#include "host/scene/materials/SceneRefMtl.h"
#include "host/scene/materials/StdMaterial.h"

namespace {

class MtlLibraryClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 0; }
    void* Create(BOOL /*loading*/) override { return new MtlLibrary(); }
    const MCHAR* ClassName() override { return L"MtlBaseLib"; }
    SClass_ID SuperClassID() override { return MTLBASELIB_CLASS_ID; }
    Class_ID ClassID() override { return MTLBASELIB_CLASS_IDENT; }
    const MCHAR* Category() override { return L""; }
};

void AddOnce(ClassDesc* cd) {
    ClassDirectory& dir = GetClassDirectory();
    if (!dir.FindClass(cd->SuperClassID(), cd->ClassID())) dir.AddClass(cd);
}

} // namespace

void RegisterMaterialClasses() {
    RegisterParamBlockClasses();
    static MtlLibraryClassDesc libraryDesc;
    AddOnce(StdMaterial::GetClassDesc());
    AddOnce(MultiMtl::GetClassDesc());
    AddOnce(BitmapTex::GetClassDesc());
    AddOnce(SceneRefMtl::GetClassDesc());
    AddOnce(&libraryDesc);
}
