// Built-in helpers: the dummy (a box of its own, no parameter block) and the point helper.
#include "host/scene/objects/BuiltinClasses.h"
#include "host/scene/objects/ConfiguredObject.h"
#include "host/scene/objects/ContainerHelper.h"

#include <cstdio>
#include <memory>

namespace {

class DummyObject;

// Undo of a change of the dummy's box.
class DummyBoxRestore : public RestoreObj {
public:
    DummyBoxRestore(DummyObject* d, const Box3& before, const Box3& after);
    void Restore(int /*isUndo*/) override;
    void Redo() override;
    MSTR Description() override { return L"Dummy Box"; }

private:
    AnimHandle handle_;
    Box3 before_, after_;
};

// The dummy helper: an empty box that marks a place in the scene.
class DummyObject : public ConfiguredObject<HelperObject> {
public:
    DummyObject(ObjectClassDesc* cd, BOOL loading) : ConfiguredObject<HelperObject>(cd, loading) {}
    const Box3& GetBox() const { return box_; }
    void SetBox(const Box3& b) {
        if (theHold.Holding()) theHold.Put(new DummyBoxRestore(this, box_, b));
        ApplyBox(b);
    }
    void ApplyBox(const Box3& b) {
        box_ = b;
        NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
    }
    void GetLocalBoundBox(TimeValue /*t*/, INode* /*inode*/, Box3& box) override { box = box_; }

protected:
    void CopyOwnState(ConfiguredCore* to) override { static_cast<DummyObject*>(to)->box_ = box_; }
    IOResult SaveOwn(ISave* isave) override {
        return WriteValueChunk(isave, kBoxChunk, box_.pmin, box_.pmax);
    }
    IOResult LoadOwnChunk(ILoad* iload) override {
        if (iload->CurChunkID() != kBoxChunk) return IO_OK;
        return ReadValues(iload, box_.pmin, box_.pmax);
    }
    void DumpOwn(std::ostream& os, int indent) override {
        char buf[160];
        std::snprintf(buf, sizeof(buf), "box (%.4f, %.4f, %.4f) (%.4f, %.4f, %.4f)", box_.pmin.x, box_.pmin.y,
                      box_.pmin.z, box_.pmax.x, box_.pmax.y, box_.pmax.z);
        os << std::string(static_cast<size_t>(indent), ' ') << buf << "\n";
    }

private:
    static constexpr USHORT kBoxChunk = 0x3E00;
    Box3 box_{Point3(-5.0f, -5.0f, -5.0f), Point3(5.0f, 5.0f, 5.0f)};
};

DummyBoxRestore::DummyBoxRestore(DummyObject* d, const Box3& before, const Box3& after)
    : handle_(Animatable::GetHandleByAnim(d)), before_(before), after_(after) {}
void DummyBoxRestore::Restore(int /*isUndo*/) {
    if (auto* d = static_cast<DummyObject*>(Animatable::GetAnimByHandle(handle_))) d->ApplyBox(before_);
}
void DummyBoxRestore::Redo() {
    if (auto* d = static_cast<DummyObject*>(Animatable::GetAnimByHandle(handle_))) d->ApplyBox(after_);
}

Animatable* CreateDummy(ObjectClassDesc* cd, BOOL loading) {
    return new DummyObject(cd, loading);
}

ObjectClassDesc* Make(ObjectClassDef cls, ObjectClassDesc::Factory f = nullptr) {
    static std::vector<std::unique_ptr<ObjectClassDesc>> keep;
    keep.push_back(std::make_unique<ObjectClassDesc>(std::move(cls), f));
    return keep.back().get();
}

} // namespace

const std::vector<ObjectClassDesc*>& HelperClassDescs() {
    static const std::vector<ObjectClassDesc*> descs = [] {
        std::vector<ObjectClassDesc*> v;
        ObjectClassDef dummy;
        dummy.superClass = HELPER_CLASS_ID;
        dummy.classId = DUMMY_HELPER_CLASS_ID;
        dummy.className = L"Dummy";
        v.push_back(Make(std::move(dummy), &CreateDummy));

        ObjectClassDef point;
        point.superClass = HELPER_CLASS_ID;
        point.classId = POINT_HELPER_CLASS_ID;
        point.className = L"Point";
        point.blockName = L"pointobj_params";
        point.params = {
            MakeFloatParam(0, L"size", 20.0f),      MakeBoolParam(1, L"centermarker", false),
            MakeBoolParam(2, L"axistripod", false), MakeBoolParam(3, L"cross", true),
            MakeBoolParam(4, L"box", false),        MakeBoolParam(5, L"constantscreensize", false),
            MakeBoolParam(6, L"drawontop", false)};
        point.boundBox = [](IParamBlock2* pb, TimeValue t) {
            const float h = pb->GetFloat(0, t) / 2;
            return Box3(Point3(-h, -h, -h), Point3(h, h, h));
        };
        v.push_back(Make(std::move(point)));

        // A helper naming scene nodes in a list of its own, in an order that matters (scripts and rigs
        // keep such lists).
        ObjectClassDef nodeSet;
        nodeSet.superClass = HELPER_CLASS_ID;
        nodeSet.classId = NODE_SET_HELPER_CLASS_ID;
        nodeSet.className = L"Node Set";
        nodeSet.scriptName = L"NodeSet";
        nodeSet.nodeLists = 1;
        v.push_back(Make(std::move(nodeSet)));

        ObjectClassDef container;
        container.superClass = HELPER_CLASS_ID;
        container.classId = CONTAINER_HELPER_CLASS_ID;
        container.className = L"Container";
        v.push_back(Make(std::move(container), [](ObjectClassDesc* cd, BOOL loading) -> Animatable* {
            return new ContainerHelper(cd, loading);
        }));
        return v;
    }();
    return descs;
}
