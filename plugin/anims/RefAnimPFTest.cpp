// The particle flow test mirror: the connection the user gave a test no referenced event runs, recorded on
// change with undo, put on the fresh test after every merge, saved in its chunk.
#include "plugin/anims/RefAnimPFTest.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/scene/INode.h"
#include "host/scene/Object.h"
#include "host/scene/ParticleFlow.h"
#include "plugin/anims/RefAnimPFSource.h"
#include "plugin/anims/RefAnimTableRestore.h"
#include "plugin/frame/OperationCode.h"

namespace {

using Connection = RefAnimPFTest::Connection;

int ConnectionSize(const Connection& undo, const Connection& redo) {
    return static_cast<int>(48 + 2 * (undo.merged.Length() + undo.led.Length() + redo.merged.Length() + redo.led.Length()));
}
using PFTestConnectionRestore = TableSnapshotRestore<Connection, &ConnectionSize>;

bool IsTestObject(Animatable* anim) {
    auto* obj = dynamic_cast<Object*>(anim);
    return obj && obj->GetInterface(PFTEST_INTERFACE) && CanLeadToPFEvent(obj);
}

} // namespace

RefAnimPFTest::~RefAnimPFTest() {
    // The base destructor counts one reference only: the event node goes here.
    DropRefsUnlessDeleted();
}

RefTargetHandle RefAnimPFTest::GetReference(int i) {
    return i == 1 ? led_ : RefAnim::GetReference(i);
}

void RefAnimPFTest::SetReference(int i, RefTargetHandle rtarg) {
    if (i == 1) led_ = dynamic_cast<INode*>(rtarg);
    else RefAnim::SetReference(i, rtarg);
}

BOOL RefAnimPFTest::IsRealDependency(ReferenceTarget*) {
    // Neither the test (a merge makes it anew) nor the event node (the scene's).
    return FALSE;
}

Object* RefAnimPFTest::Test() const {
    ReferenceTarget* anim = GetAnim();
    return IsTestObject(anim) ? static_cast<Object*>(anim) : nullptr;
}

bool RefAnimPFTest::HeardByEvent() const {
    ReferenceTarget* anim = GetAnim();
    if (!anim) return false;
    DependentIterator it(anim);
    while (ReferenceMaker* m = it.Next())
        if (dynamic_cast<RefAnimPFSource*>(m)) return true;
    return false;
}

void RefAnimPFTest::Record(bool undoable) {
    Object* test = Test();
    if (!test || HeardByEvent()) return;
    INode* next = GetPFNextEvent(test);
    Connection now{connection_.merged, PFNodeName(next)};
    const bool led = now.led != now.merged;
    if (!led) now.led = WStr();
    const bool holding = undoable && theHold.Holding();
    if (!(now == connection_)) {
        if (holding) theHold.Put(new PFTestConnectionRestore(&connection_, this));
        connection_ = std::move(now);
    }
    INode* held = led ? next : nullptr;
    if (held != led_) ReplaceReference(1, held);
    if (led != IsLed()) SetOverriddenFlag(REFANIM_TOGGLED, led, undoable);
}

RefResult RefAnimPFTest::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                                          BOOL) {
    if (GetCurrentOperation() != OperationCode::None || theHold.RestoreOrRedoing() || message != REFMSG_CHANGE ||
        !hTarget || hTarget != GetAnim())
        return REF_STOP;
    Record(true);
    return REF_STOP;
}

RefResult RefAnimPFTest::SetAnim(ReferenceTarget* anim) {
    const RefResult res = RefAnim::SetAnim(anim);
    if (Object* test = Test()) connection_.merged = PFNodeName(GetPFNextEvent(test));
    return res;
}

void RefAnimPFTest::CollectLocDep(DWORD /*stamp*/) {
    if (IsLed() && led_) connection_.led = PFNodeName(led_);
}

void RefAnimPFTest::ReleaseHeldRefs() {
    if (led_) ReplaceReference(1, nullptr);
}

void RefAnimPFTest::Override(Animatable* root) {
    PathResolution r;
    if (!GetAnimByPath(root, r) || !IsTestObject(r.anim)) return;
    if (r.anim != GetAnim()) SetAnim(static_cast<ReferenceTarget*>(r.anim));
    SetPathByNumber(r.newNumbers);
    // The event may be one that another record binds in the same load.
    if (IsLed()) RegisterWithHelper();
}

void RefAnimPFTest::FinishOverride() {
    Object* test = Test();
    if (!test || !IsLed()) return;
    // The held node (a referenced event's node passes to its fresh node), else the node of the name: after
    // an unload or an open the node is gone.
    INode* event = led_ ? led_ : PFNodeNamed(connection_.led);
    if (!event && !connection_.led.isNull()) return;
    SetPFNextEvent(test, event);
    if (event != led_) ReplaceReference(1, event);
}

void RefAnimPFTest::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnimPFTest*>(from);
    auto* dst = dynamic_cast<RefAnimPFTest*>(to);
    if (src && dst) {
        dst->connection_ = src->connection_;
        if (src->led_) dst->ReplaceReference(1, src->led_);
    }
    RefAnim::BaseClone(from, to, remap);
}

IOResult RefAnimPFTest::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res != IO_OK) return res;
    isave->BeginChunk(kConnectionChunk);
    res = WriteStringChunk(isave, 0, connection_.merged);
    if (res == IO_OK) res = WriteStringChunk(isave, 1, connection_.led);
    const IOResult end = isave->EndChunk();
    return res != IO_OK ? res : end;
}

IOResult RefAnimPFTest::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kConnectionChunk:
            return ForEachChunk(iload, [&](USHORT part) -> IOResult {
                if (part == 0) return iload->ReadWStringChunk(connection_.merged);
                if (part == 1) return iload->ReadWStringChunk(connection_.led);
                return IO_OK;
            });
        default: return LoadKindChunk(iload);
        }
    });
}

MSTR RefAnimPFTest::Describe() {
    WStr out = RefAnim::Describe();
    out += L"\nMerged Connection: " + (connection_.merged.isNull() ? WStr(L"-") : connection_.merged);
    if (!IsLed()) return out;
    out += L"\nUser Connection: ";
    if (connection_.led.isNull()) out += L"-";
    else out += PFNodeNamed(connection_.led) ? connection_.led : WStr(L"No Connection Ref");
    return out;
}
