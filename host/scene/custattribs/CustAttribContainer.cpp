// Custom attribute containers: ordered attributes with structure messages, notifications and undo, and
// the hooks that let every animatable own one.
#include "host/scene/custattribs/CustAttribContainer.h"

#include "host/core/ChunkIO.h"
#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Hold.h"
#include "host/core/HoldSuspend.h"
#include "host/core/Notify.h"
#include "host/core/RemapDir.h"

namespace {

constexpr USHORT kCountChunk = 0x4200;

class ContainerClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 0; }
    void* Create(BOOL /*loading*/) override { return new CustAttribContainer(nullptr); }
    const MCHAR* ClassName() override { return L"CustAttribContainer"; }
    SClass_ID SuperClassID() override { return REF_MAKER_CLASS_ID; }
    Class_ID ClassID() override { return CUSTATTRIB_CONTAINER_CLASS_ID; }
    const MCHAR* Category() override { return L""; }
};

ICustAttribContainer* CreateContainer(Animatable* owner) { return new CustAttribContainer(owner); }
void DestroyContainer(ICustAttribContainer* c) { static_cast<CustAttribContainer*>(c)->Destroy(); }
ReferenceTarget* ContainerAsTarget(ICustAttribContainer* c) { return c; }

void InstallHooks() {
    Animatable::CustAttribContainerHooks hooks;
    hooks.create = &CreateContainer;
    hooks.destroy = &DestroyContainer;
    hooks.asTarget = &ContainerAsTarget;
    Animatable::SetCustAttribContainerHooks(hooks);
}

// Every animatable can have attributes as soon as the host library is loaded, before any registration.
struct HooksAtLoad {
    HooksAtLoad() { InstallHooks(); }
} hooksAtLoad;

} // namespace

CustAttribContainer::CustAttribContainer(Animatable* owner) : table_(this, this), owner_(owner) {}

CustAttribContainer::~CustAttribContainer() {
    if (NumLiveRefs() > 0) {
        const HoldSuspend quiet;
        DeleteAllRefsFromMe();
    }
}

void CustAttribContainer::Destroy() {
    owner_ = nullptr;
    const HoldSuspend quiet;
    DeleteMe();
}

void CustAttribContainer::GetClassName(MSTR& s, bool /*localized*/) const { s = L"CustAttribContainer"; }

MSTR CustAttribContainer::SubAnimName(int i, bool localized) {
    CustAttrib* ca = GetCustAttrib(i);
    return ca ? MSTR(ca->GetName(localized)) : MSTR();
}

void CustAttribContainer::StructureChanged() {
    NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
    if (owner_ && owner_->IsRefTarget())
        static_cast<ReferenceTarget*>(owner_)->NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
}

void CustAttribContainer::RefTableRestored(RefTable& /*table*/) { StructureChanged(); }

void CustAttribContainer::InsertCustAttrib(int i, CustAttrib* attribute) {
    if (!attribute || table_.IndexOf(attribute) >= 0) return;
    if (!table_.Insert(i, attribute)) return;
    StructureChanged();
    NotifyCustomAttribute info{owner_, attribute};
    BroadcastNotification(NOTIFY_CUSTOM_ATTRIBUTES_ADDED, &info);
}

void CustAttribContainer::RemoveCustAttrib(int i) {
    if (i < 0 || i >= table_.Count()) return;
    CustAttrib* ca = GetCustAttrib(i);
    // The attribute must stay readable for the notification that names it; it goes afterwards when
    // nothing else holds it.
    const bool wasLocked = ca && ca->TestAFlag(A_LOCK_TARGET);
    if (ca) ca->SetAFlag(A_LOCK_TARGET);
    table_.Remove(i, TRUE);
    StructureChanged();
    NotifyCustomAttribute info{owner_, ca};
    BroadcastNotification(NOTIFY_CUSTOM_ATTRIBUTES_REMOVED, &info);
    if (ca && !wasLocked) {
        ca->ClearAFlag(A_LOCK_TARGET);
        ca->MaybeAutoDelete();
    }
}

IOResult CustAttribContainer::Save(ISave* isave) { return table_.SaveCount(isave, kCountChunk); }

IOResult CustAttribContainer::Load(ILoad* iload) { return table_.LoadCount(iload, kCountChunk); }

void RegisterCustAttribClasses() {
    InstallHooks();
    static ContainerClassDesc containerDesc;
    ClassDirectory& dir = GetClassDirectory();
    if (!dir.FindClass(containerDesc.SuperClassID(), containerDesc.ClassID())) dir.AddClass(&containerDesc);
}

