// The custom attribute mirror: added attributes go back into the fresh container.
#include "plugin/anims/RefAnimCA.h"

#include "host/core/PlugApi.h"
#include "host/scene/CustAttrib.h"

#include <algorithm>

BOOL RefAnimCA::IsRealDependency(ReferenceTarget* rtarg) {
    if (rtarg && rtarg == GetAnim() && IsOverridden(REFANIM_ADDED)) return TRUE;
    return RefAnim::IsRealDependency(rtarg);
}

RefResult RefAnimCA::SetAnim(ReferenceTarget* anim) {
    const RefResult res = ReplaceReference(0, anim);
    SetLastOperation(IDS_OP_SET_ANIM);
    return res;
}

void RefAnimCA::Override(Animatable* root) {
    ReferenceTarget* mine = GetAnim();
    if (!IsOverridden(REFANIM_ADDED) || !mine || mine->SuperClassID() != CUST_ATTRIB_CLASS_ID) {
        RefAnim::Override(root);
        return;
    }
    // The container is where the path leads without its last step; the attribute goes back at its place.
    PathNames names = GetPathNames();
    std::vector<std::int32_t> numbers = GetPathByNumber();
    if (names.size() < 2 || names.size() != numbers.size()) return;
    const std::int32_t position = numbers.back();
    names.pop_back();
    numbers.pop_back();
    PathResolution c;
    if (!ResolvePath(root, names, numbers, c) || !c.anim || c.anim->ClassID() != CUSTATTRIB_CONTAINER_CLASS_ID) return;
    auto* container = static_cast<ICustAttribContainer*>(c.anim);
    bool present = false;
    for (int i = 0; !present && i < container->GetNumCustAttribs(); ++i) present = container->GetCustAttrib(i) == mine;
    if (!present)
        container->InsertCustAttrib(std::clamp(position - 1, 0, container->GetNumCustAttribs()), static_cast<CustAttrib*>(mine));
    PathResolution r;
    if (GetAnimByPath(root, r) && r.anim == mine) SetPathByNumber(r.newNumbers);
    SetLastOperation(IDS_OP_DEFAULT_OVERRIDE);
}
