// The bitmap map: an image file shown through one parameter block.
#pragma once

#include "host/scene/IParamBlock2.h"
#include "host/scene/Mtl.h"

class ClassDesc2;

enum BitmapTexParamID {
    bmtex_filename = 0,   // the image's file name
    bmtex_bitmap = 1,     // the image record (its file name, as the block keeps bitmaps)
    bmtex_filtering = 2,  // 0 pyramidal, 1 summed area, 2 none
    bmtex_clipu = 3,
    bmtex_clipv = 4,
    bmtex_clipw = 5,
    bmtex_cliph = 6,
    bmtex_alphasource = 7 // 0 image alpha, 1 RGB intensity, 2 none
};

// Reference and sub-animatable 0: the block. Setting the file name or the image record sets the other
// one too, in the same undo step.
class BitmapTex : public Texmap {
public:
    explicit BitmapTex(BOOL loading = FALSE);
    ~BitmapTex() override;

    Class_ID ClassID() override { return BMTEX_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;

    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? pblock_ : nullptr; }
    int NumSubs() override { return 1; }
    Animatable* SubAnim(int i) override { return GetReference(i); }
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override { return subNum == 0 ? 0 : -1; }
    int NumParamBlocks() override { return 1; }
    IParamBlock2* GetParamBlock(int i) override { return i == 0 ? pblock_ : nullptr; }
    IParamBlock2* GetParamBlockByID(BlockID id) override { return id == 0 ? pblock_ : nullptr; }

    RefTargetHandle Clone(RemapDir& remap) override;

    static ClassDesc2* GetClassDesc();
    // Set while the accessor copies one file name parameter into the other.
    bool syncing = false;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    IParamBlock2* pblock_ = nullptr;
};
