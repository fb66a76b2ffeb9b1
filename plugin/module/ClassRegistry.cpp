// The module's class registry: 53 descriptors in a fixed order.
#include "plugin/module/ClassRegistry.h"

#include "host/core/FPInterface.h"
#include "host/core/PlugApi.h"
#include "plugin/anims/RefAnimBlockKinds.h"
#include "plugin/anims/RefAnimControllerKinds.h"
#include "plugin/anims/RefAnimMaterialKinds.h"
#include "plugin/anims/RefAnimModifierKinds.h"
#include "plugin/anims/RefAnimObjectKinds.h"
#include "plugin/anims/RefAnimParticleKinds.h"
#include "plugin/anims/RefAnimRefKinds.h"
#include "plugin/anims/RefAnimRigKinds.h"
#include "plugin/frame/EmptyBaseObject.h"
#include "plugin/frame/EmptyController.h"
#include "plugin/frame/EmptyShape.h"
#include "plugin/frame/OstrivansClassDesc.h"
#include "plugin/frame/StringTable.h"
#include "plugin/helper/OstrivansHelperClassDesc.h"
#include "plugin/records/RefHolder.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"

#include <array>
#include <memory>

namespace {

// A mirror kind's descriptor: identity and name come from the kind class itself.
template <class Kind> OstrivansClassDesc MirrorDesc(const MCHAR* literalName) {
    return OstrivansClassDesc(Kind::kNameId, literalName, REFANIM_SUPER_CLASS_ID, Kind::kClassID,
                              &CreateWithLoadingFlag<Kind>);
}

// Every descriptor but the helper's, which owns a parameter block descriptor and lives with the helper.
struct Descriptors {
    OstrivansClassDesc refBase{IDS_REFBASE, L"RefBase", REFBASE_SUPER_CLASS_ID, REFBASE_CLASS_ID,
                               &CreateWithLoadingFlag<RefBase>};
    OstrivansClassDesc refNode{IDS_REFNODE, L"RefNode", REFBASE_SUPER_CLASS_ID, REFNODE_CLASS_ID,
                               &CreateWithLoadingFlag<RefNode>};
    OstrivansClassDesc refMaterial{IDS_REFMATERIAL, L"RefMaterial", REFBASE_SUPER_CLASS_ID,
                                   REFMATERIAL_CLASS_ID, &CreateWithLoadingFlag<RefMaterial>};
    OstrivansClassDesc emptyBaseObject{IDS_EMPTYBASEOBJECT, L"EmptyBaseObject", GEOMOBJECT_CLASS_ID,
                                       EMPTY_BASE_OBJECT_CLASS_ID, &CreateWithLoadingFlag<EmptyBaseObject>};
    OstrivansClassDesc emptyController{IDS_EMPTYCONTROLLER, L"EmptyController", CTRL_MATRIX3_CLASS_ID,
                                       EMPTY_CONTROLLER_CLASS_ID, &CreateWithLoadingFlag<EmptyController>};
    OstrivansClassDesc refHolder{IDS_REFHOLDER, L"RefHolder", GEOMOBJECT_CLASS_ID, REFHOLDER_CLASS_ID,
                                 &CreateWithLoadingFlag<RefHolder>};
    OstrivansClassDesc refAnim{IDS_REFANIM, L"RefAnim", REFANIM_SUPER_CLASS_ID,
                               Class_ID(REFANIM_BASE_KIND_ID, 0), &CreateWithLoadingFlag<RefAnim>};
    OstrivansClassDesc pblock = MirrorDesc<RefAnimPblock>(L"RefAnimPblock");
    OstrivansClassDesc pblock2 = MirrorDesc<RefAnimPblock2>(L"RefAnimPblock2");
    OstrivansClassDesc indepRefs = MirrorDesc<RefAnimIndepRefs>(L"RefAnimIndepRefs");
    OstrivansClassDesc ca = MirrorDesc<RefAnimCA>(L"RefAnimCA");
    OstrivansClassDesc listCtrl = MirrorDesc<RefAnimListCtrl>(L"RefAnimListCtrl");
    OstrivansClassDesc withRefs = MirrorDesc<RefAnimWithRefs>(L"RefAnimWithRefs");
    OstrivansClassDesc locDep = MirrorDesc<RefAnimLocDep>(L"RefAnimLocDep");
    OstrivansClassDesc linkCtrl = MirrorDesc<RefAnimLinkCtrl>(L"RefAnimLinkCtrl");
    OstrivansClassDesc bip = MirrorDesc<RefAnimBip>(L"RefAnimBip");
    OstrivansClassDesc pointObj = MirrorDesc<RefAnimPointObj>(L"RefAnimPointObj");
    OstrivansClassDesc stdLight = MirrorDesc<RefAnimStdLight>(L"RefAnimStdLight");
    OstrivansClassDesc pointMod = MirrorDesc<RefAnimPointMod>(L"RefAnimPointMod");
    OstrivansClassDesc mod = MirrorDesc<RefAnimMod>(L"RefAnimMod");
    OstrivansClassDesc withRefsMod = MirrorDesc<RefAnimWithRefsMod>(L"RefAnimWithRefsMod");
    OstrivansClassDesc pfSource = MirrorDesc<RefAnimPFSource>(L"RefAnimPFSource");
    OstrivansClassDesc skin = MirrorDesc<RefAnimSkin>(L"RefAnimSkin");
    OstrivansClassDesc mtl = MirrorDesc<RefAnimMtl>(L"RefAnimMtl");
    OstrivansClassDesc texmap = MirrorDesc<RefAnimTexmap>(L"RefAnimTexmap");
    OstrivansClassDesc text = MirrorDesc<RefAnimText>(L"RefAnimText");
    OstrivansClassDesc linkedXForm = MirrorDesc<RefAnimLinkedXForm>(L"RefAnimLinkedXForm");
    OstrivansClassDesc cloth = MirrorDesc<RefAnimCloth>(L"RefAnimCloth");
    OstrivansClassDesc constraint = MirrorDesc<RefAnimConstraint>(L"RefAnimConstraint");
    OstrivansClassDesc multiSubMtl = MirrorDesc<RefAnimMultiSubMtl>(L"RefAnimMultiSubMtl");
    OstrivansClassDesc reaction = MirrorDesc<RefAnimReaction>(L"RefAnimReaction");
    OstrivansClassDesc morpher = MirrorDesc<RefAnimMorpher>(L"RefAnimMorpher");
    OstrivansClassDesc bevelProfile = MirrorDesc<RefAnimBevelProfile>(L"RefAnimBevelProfile");
    OstrivansClassDesc euler = MirrorDesc<RefAnimEuler>(L"RefAnimEuler");
    OstrivansClassDesc prs = MirrorDesc<RefAnimPRS>(L"RefAnimPRS");
    OstrivansClassDesc rwms = MirrorDesc<RefAnimRWMS>(L"RefAnimRWMS");
    OstrivansClassDesc cat = MirrorDesc<RefAnimCAT>(L"RefAnimCAT");
    OstrivansClassDesc cam = MirrorDesc<RefAnimCam>(L"RefAnimCam");
    OstrivansClassDesc boolean = MirrorDesc<RefAnimBoolean>(L"RefAnimBoolean");
    OstrivansClassDesc textPlus = MirrorDesc<RefAnimTextPlus>(L"RefAnimTextPlus");
    OstrivansClassDesc derivObj = MirrorDesc<RefAnimDerivObj>(L"RefAnimDerivObj");
    OstrivansClassDesc layerCtrl = MirrorDesc<RefAnimLayerCtrl>(L"RefAnimLayerCtrl");
    OstrivansClassDesc xref = MirrorDesc<RefAnimXRef>(L"RefAnimXRef");
    OstrivansClassDesc container = MirrorDesc<RefAnimContainer>(L"RefAnimContainer");
    OstrivansClassDesc catCtrl = MirrorDesc<RefAnimCATCtrl>(L"RefAnimCATCtrl");
    OstrivansClassDesc dataChannel = MirrorDesc<RefAnimDataChannel>(L"RefAnimDataChannel");
    OstrivansClassDesc pfTest = MirrorDesc<RefAnimPFTest>(L"RefAnimPFTest");
    OstrivansClassDesc emptyShape{IDS_EMPTYSHAPE, L"EmptyShape", SHAPE_CLASS_ID, EMPTY_SHAPE_CLASS_ID,
                                  &CreateWithLoadingFlag<EmptyShape>};
    OstrivansClassDesc railClone = MirrorDesc<RefAnimRailClone>(L"RefAnimRailClone");
    OstrivansClassDesc bipCtrl = MirrorDesc<RefAnimBipCtrl>(L"RefAnimBipCtrl");
    OstrivansClassDesc forest = MirrorDesc<RefAnimForest>(L"RefAnimForest");
    OstrivansClassDesc linkTM = MirrorDesc<RefAnimLinkTM>(L"RefAnimLinkTM");

    // LibClassDesc order.
    std::array<OstrivansClassDesc*, kNumRegisteredClasses> Table() {
        return {&GetOstrivansHelperClassDesc(),
                &refBase,
                &refNode,
                &refMaterial,
                &emptyBaseObject,
                &emptyController,
                &refHolder,
                &refAnim,
                &pblock,
                &pblock2,
                &indepRefs,
                &ca,
                &listCtrl,
                &withRefs,
                &locDep,
                &linkCtrl,
                &bip,
                &pointObj,
                &stdLight,
                &pointMod,
                &mod,
                &withRefsMod,
                &pfSource,
                &skin,
                &mtl,
                &texmap,
                &text,
                &linkedXForm,
                &cloth,
                &constraint,
                &multiSubMtl,
                &reaction,
                &morpher,
                &bevelProfile,
                &euler,
                &prs,
                &rwms,
                &cat,
                &cam,
                &boolean,
                &textPlus,
                &derivObj,
                &layerCtrl,
                &xref,
                &container,
                &catCtrl,
                &dataChannel,
                &pfTest,
                &emptyShape,
                &railClone,
                &bipCtrl,
                &forest,
                &linkTM};
    }
};

struct Registry {
    Descriptors descriptors;
    std::array<OstrivansClassDesc*, kNumRegisteredClasses> table = descriptors.Table();
    // The published interfaces the descriptors own. Declared after the descriptors, so destroyed before
    // them: a description detaches itself from its descriptor when it goes.
    std::unique_ptr<FPInterfaceDesc> refHolderInterface{MakeRefHolderInterfaceDesc(&descriptors.refHolder)};
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

} // namespace

FPInterfaceDesc* GetRefHolderInterfaceDesc() {
    return TheRegistry().refHolderInterface.get();
}

int NumRegisteredClasses() {
    return kNumRegisteredClasses;
}

OstrivansClassDesc* GetRegisteredClassDesc(int i) {
    if (i < 0 || i >= kNumRegisteredClasses) return nullptr;
    return TheRegistry().table[static_cast<size_t>(i)];
}
