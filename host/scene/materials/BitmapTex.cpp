// The bitmap map: its block (file name and image record kept equal), class descriptor and cloning.
#include "host/scene/materials/BitmapTex.h"

#include "host/core/ClassDesc.h"
#include "host/core/Hold.h"
#include "host/core/HoldSuspend.h"
#include "host/core/RefKind.h"
#include "host/core/RemapDir.h"
#include "host/scene/materials/ParamDefBuilder.h"

namespace {

// The file name and the image record name the same file: setting one sets the other.
class FileNameAccessor : public PBAccessor {
public:
    void Set(PB2Value& v, ReferenceMaker* owner, ParamID id, int /*tabIndex*/, TimeValue t) override {
        auto* tex = dynamic_cast<BitmapTex*>(owner);
        if (!tex || tex->syncing || !tex->GetParamBlock(0)) return;
        const ParamID other = id == bmtex_filename ? bmtex_bitmap : bmtex_filename;
        tex->syncing = true;
        tex->GetParamBlock(0)->SetValue(other, t, v.s.c_str());
        tex->syncing = false;
    }
};

FileNameAccessor theFileNameAccessor;

class BitmapTexClassDesc : public ClassDesc2 {
public:
    BitmapTexClassDesc() : block_(0, L"bitmapTexture", 0, this, P_AUTO_CONSTRUCT, 0) {
        ParamDef fileName = MakeParamDef(bmtex_filename, L"fileName", TYPE_FILENAME, 0, PB2Value::Str(L""));
        fileName.accessor = &theFileNameAccessor;
        fileName.caption = L"Select Bitmap Image File";
        block_.AddParam(fileName);
        ParamDef bitmap = MakeParamDef(bmtex_bitmap, L"bitmap", TYPE_BITMAP, 0, PB2Value::Str(L""));
        bitmap.accessor = &theFileNameAccessor;
        block_.AddParam(bitmap);
        block_.AddParam(MakeParamDef(bmtex_filtering, L"filtering", TYPE_RADIOBTN_INDEX, 0, PB2Value::Int(0)));
        block_.AddParam(MakeParamDef(bmtex_clipu, L"clipu", TYPE_FLOAT, P_ANIMATABLE, PB2Value::Float(0.0f)));
        block_.AddParam(MakeParamDef(bmtex_clipv, L"clipv", TYPE_FLOAT, P_ANIMATABLE, PB2Value::Float(0.0f)));
        block_.AddParam(MakeParamDef(bmtex_clipw, L"clipw", TYPE_FLOAT, P_ANIMATABLE, PB2Value::Float(1.0f)));
        block_.AddParam(MakeParamDef(bmtex_cliph, L"cliph", TYPE_FLOAT, P_ANIMATABLE, PB2Value::Float(1.0f)));
        block_.AddParam(MakeParamDef(bmtex_alphasource, L"alphaSource", TYPE_INT, 0, PB2Value::Int(2)));
    }
    int IsPublic() override { return 1; }
    void* Create(BOOL loading) override { return new BitmapTex(loading); }
    const MCHAR* ClassName() override { return L"Bitmap"; }
    const MCHAR* InternalName() override { return L"Bitmaptexture"; }
    SClass_ID SuperClassID() override { return TEXMAP_CLASS_ID; }
    Class_ID ClassID() override { return BMTEX_CLASS_ID; }
    const MCHAR* Category() override { return L"2D Maps"; }

private:
    ParamBlockDesc2 block_;
};

} // namespace

ClassDesc2* BitmapTex::GetClassDesc() {
    static BitmapTexClassDesc cd;
    return &cd;
}

Texmap* NewDefaultBitmapTex() { return new BitmapTex(FALSE); }

BitmapTex::BitmapTex(BOOL loading) {
    if (!loading) GetClassDesc()->MakeAutoParamBlocks(this);
}

BitmapTex::~BitmapTex() {
    if (NumLiveRefs() > 0) {
        const HoldSuspend quiet;
        DeleteAllRefsFromMe();
    }
}

void BitmapTex::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Bitmap"; }

void BitmapTex::SetReference(int i, RefTargetHandle rtarg) {
    if (i == 0) pblock_ = RefAs<IParamBlock2>(rtarg);
}

MSTR BitmapTex::SubAnimName(int i, bool /*localized*/) { return i == 0 ? MSTR(L"Parameters") : MSTR(); }

RefTargetHandle BitmapTex::Clone(RemapDir& remap) {
    auto* copy = new BitmapTex(TRUE);
    BaseClone(this, copy, remap);
    if (pblock_) copy->ReplaceReference(0, remap.CloneRef(pblock_));
    CopyMtlBaseState(copy, remap);
    return copy;
}
