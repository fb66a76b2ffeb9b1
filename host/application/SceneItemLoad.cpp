// Loading one item of a scene file for a scene reference: the file is read and checked as an open reads
// it, only the item and what it needs are kept, and nothing of it enters the open scene.
#include "host/application/HostInterface.h"

#include "host/core/HoldSuspend.h"
#include "host/io/SceneReader.h"
#include "host/scene/Mtl.h"
#include "host/scene/nodes/Node.h"

namespace {

// The object id of what item names: the object of the node of that name, or the first material of that
// name in the file's order; -1 when there is none.
std::int32_t FindItem(const SceneReader& r, const MSTR& item, bool material) {
    if (!material) {
        for (const SceneReader::NodeEntry& e : r.Nodes()) {
            Node* n = r.NodeAt(e.id);
            const auto refs = r.RefsOf(e.id);
            if (n && n->GetName() == item && refs.size() > NODE_REF_OBJ) return refs[NODE_REF_OBJ];
        }
        return -1;
    }
    for (std::int32_t id = 0; id < r.NumObjects(); ++id)
        if (MtlBase* m = r.MtlAt(id); m && m->SuperClassID() == MATERIAL_CLASS_ID && m->GetName() == item) return id;
    return -1;
}

} // namespace

ReferenceTarget* HostInterface::LoadSceneItem(const MCHAR* fname, const MCHAR* item, bool material, MSTR& error) {
    error = MSTR();
    if (!fname || !*fname) {
        error = L"no file name given";
        return nullptr;
    }
    SceneReader reader(this);
    if (reader.IndexFile(MSTR(fname)) != IO_OK) {
        error = reader.Error();
        return nullptr;
    }
    // What is read is no edit of the user's.
    const HoldSuspend suspended;
    if (reader.CreateObjects() != IO_OK) {
        error = reader.Error();
        reader.Discard();
        return nullptr;
    }
    const MSTR name(item ? item : L"");
    const std::int32_t found = FindItem(reader, name, material);
    if (found < 0) {
        error = WStr::Format(L"the file has no %s named \"%s\"", material ? L"material" : L"node with an object",
                             name.c_str());
        reader.Discard();
        return nullptr;
    }
    // The item's references to nodes (operands, targets) would drag the file's nodes in: they stay empty.
    for (const SceneReader::NodeEntry& e : reader.Nodes()) reader.Substitute(e.id, nullptr);
    if (reader.Link({found}) != IO_OK) {
        error = reader.Error();
        reader.Discard();
        return nullptr;
    }
    reader.RunPostLoadCallbacks();
    return reader.Target(found);
}
