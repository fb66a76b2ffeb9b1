// The read side of scene files: index and check, create and load, link.
#include "host/io/SceneReader.h"

#include "host/core/ChunkFields.h"
#include "host/core/ClassDesc.h"
#include "host/core/AppData.h"
#include "host/core/ClassDirectory.h"
#include "host/core/RefGraph.h"
#include "host/io/AppDataChunks.h"
#include "host/io/SceneDataHandler.h"
#include "host/io/SceneFileFormat.h"
#include "host/scene/CustAttrib.h"
#include "host/scene/ILayer.h"
#include "host/scene/Mtl.h"
#include "host/scene/custattribs/CustAttribContainer.h"
#include "host/scene/nodes/Node.h"

#include <algorithm>
#include <cstring>

using namespace scenefile;

namespace {

bool IsMaterialClass(SClass_ID s) { return s == MATERIAL_CLASS_ID || s == TEXMAP_CLASS_ID; }

} // namespace

SceneReader::~SceneReader() {
    if (created_ && !linked_) Discard();
}

IOResult SceneReader::Problem(size_t offset, const WStr& what) {
    return Fail(WStr::Format(L"offset %zu: %s", offset, what.c_str()));
}

WStr SceneReader::DescribeObject(std::int32_t id) const {
    const ClassRef& c = ClassOf(id);
    return WStr::Format(L"object %d (%s, super class 0x%X, class id (0x%X, 0x%X))", id, c.name.c_str(),
                        c.superClassId, c.classId.PartA(), c.classId.PartB());
}

// An id a reference names: an object of the file or one of the scene's own targets.
WStr SceneReader::DescribeTarget(std::int32_t id) const {
    switch (id) {
    case kSceneRootId: return WStr::Format(L"the scene root (id %d)", id);
    case kSceneMtlLibId: return WStr::Format(L"the scene material library (id %d)", id);
    case kLayerManagerId: return WStr::Format(L"the layer manager (id %d)", id);
    default: return DescribeObject(id);
    }
}

// ---- 1. Index ---------------------------------------------------------------------------------------

IOResult SceneReader::IndexFile(const WStr& path) {
    if (OpenFile(path) != IO_OK) return IO_ERROR;
    return Index();
}

IOResult SceneReader::IndexBytes(std::vector<std::uint8_t> bytes) {
    static_cast<ChunkLoad&>(*this) = ChunkLoad(std::move(bytes));
    return Index();
}

IOResult SceneReader::Index() {
    char magic[sizeof kMagic] = {};
    std::uint32_t version = 0;
    ULONG nr = 0;
    if (Bytes().size() < kHeaderSize)
        return Problem(0, WStr::Format(L"not a scene file: %zu bytes, shorter than the %zu-byte header",
                                       Bytes().size(), kHeaderSize));
    Read(magic, sizeof magic, &nr);
    if (std::memcmp(magic, kMagic, sizeof kMagic) != 0)
        return Problem(0, L"not a scene file: the header does not start with \"OSTRSCN1\"");
    Read(&version, sizeof version, &nr);
    if (version != kVersion)
        return Problem(sizeof kMagic, WStr::Format(L"scene file version %u, this host reads version %u", version,
                                                   kVersion));
    if (WalkStructure() != IO_OK) return IO_ERROR;
    SeekTopLevel(kHeaderSize);

    bool sawClasses = false, sawObjects = false, sawNodes = false;
    const IOResult r = ForEachChunk(this, [&](USHORT id) -> IOResult {
        const size_t at = Offset() - kChunkHeaderSize;
        switch (id) {
        case kClassesChunk: sawClasses = true; return ReadClasses();
        case kObjectsChunk:
            if (!sawClasses) return Problem(at, L"the object table (chunk 0x2000) comes before the class table");
            sawObjects = true;
            return ReadObjects();
        case kNodesChunk: sawNodes = true; return ReadNodes();
        case kSceneChunk: hasScene_ = true; return ReadScene();
        default: return IO_OK; // a later version's chunk: skipped
        }
    });
    if (r != IO_OK) return IO_ERROR;
    const size_t end = Bytes().size();
    if (!sawClasses) return Problem(end, L"the file has no class table (chunk 0x1000)");
    if (!sawObjects) return Problem(end, L"the file has no object table (chunk 0x2000)");
    if (!sawNodes) return Problem(end, L"the file has no node list (chunk 0x3000)");
    if (CheckIds() != IO_OK || CheckReferenceLoops() != IO_OK || CheckNodeTree() != IO_OK) return IO_ERROR;
    return IO_OK;
}

// Every chunk of the file, so that damage anywhere is found before anything is created.
IOResult SceneReader::WalkStructure() {
    SeekTopLevel(kHeaderSize);
    for (;;) {
        const IOResult r = OpenChunk();
        if (r == IO_ERROR) return IO_ERROR;
        if (r == IO_END) {
            if (CurChunkDepth() == 0) return IO_OK;
            CloseChunk();
            continue;
        }
        if (!CurChunkIsContainer()) CloseChunk();
    }
}

IOResult SceneReader::ReadIds(std::vector<std::int32_t>& ids, const wchar_t* what) {
    std::uint32_t at = 0, count = 0;
    const IOResult r = ReadIdRun(at, count, what);
    if (r == IO_OK) ids.assign(ids_.begin() + at, ids_.end());
    ids_.resize(at);
    return r;
}

IOResult SceneReader::ReadIdRun(std::uint32_t& at, std::uint32_t& count, const wchar_t* what) {
    const size_t chunk = Offset() - kChunkHeaderSize;
    at = static_cast<std::uint32_t>(ids_.size());
    count = 0;
    ULONG nr = 0;
    if (Read(&count, sizeof count, &nr) != IO_OK) return IO_ERROR;
    const size_t left = CurChunkLength() - sizeof count;
    if (static_cast<size_t>(count) * sizeof(std::int32_t) > left)
        return Problem(chunk, WStr::Format(L"%s: %u ids announced, the chunk holds %zu", what, count,
                                           left / sizeof(std::int32_t)));
    ids_.resize(ids_.size() + count);
    if (count && Read(ids_.data() + at, count * static_cast<ULONG>(sizeof(std::int32_t)), &nr) != IO_OK)
        return IO_ERROR;
    return IO_OK;
}

IOResult SceneReader::ReadClasses() {
    return ForEachChunk(this, [&](USHORT id) -> IOResult {
        if (id != kClassChunk) return IO_OK;
        const size_t at = Offset() - kChunkHeaderSize;
        std::uint32_t v[3] = {};
        MSTR name;
        if (ReadValues(this, v) != IO_OK || ReadWStringChunk(name) != IO_OK) return IO_ERROR;
        const Class_ID cid(v[1], v[2]);
        ClassDesc* cd = GetClassDirectory().FindClass(v[0], cid);
        if (!cd)
            return Problem(at, WStr::Format(L"class %zu \"%s\" (super class 0x%X, class id (0x%X, 0x%X)) is not "
                                            L"registered with this host",
                                            classes_.size(), name.c_str(), v[0], v[1], v[2]));
        classes_.push_back({v[0], cid, name, cd});
        return IO_OK;
    });
}

IOResult SceneReader::ReadObjects() {
    return ForEachChunk(this, [&](USHORT id) {
        return id == kObjectChunk ? ReadObject(Offset() - kChunkHeaderSize) : IO_OK;
    });
}

IOResult SceneReader::ReadObject(size_t at) {
    Object o;
    o.offset = at;
    bool sawClass = false, sawBody = false, sawRefs = false;
    const IOResult r = ForEachChunk(this, [&](USHORT id) -> IOResult {
        const size_t sub = Offset() - kChunkHeaderSize;
        switch (id) {
        case kObjectClassChunk:
            if (ReadValues(this, o.cls) != IO_OK) return IO_ERROR;
            if (o.cls >= classes_.size())
                return Problem(sub, WStr::Format(L"object %zu names class %u, the class table has %zu", objects_.size(),
                                                 o.cls, classes_.size()));
            sawClass = true;
            break;
        case kObjectBodyChunk:
            o.body = sub;
            sawBody = true;
            break;
        case kObjectRefsChunk:
            if (ReadIdRun(o.refsAt, o.refCount, L"references") != IO_OK) return IO_ERROR;
            sawRefs = true;
            break;
        case kObjectAttribsChunk:
            if (ReadIdRun(o.attribsAt, o.attribCount, L"custom attributes") != IO_OK) return IO_ERROR;
            break;
        case kObjectAppDataChunk: o.appData = sub; break;
        default: break;
        }
        return IO_OK;
    });
    if (r != IO_OK) return IO_ERROR;
    if (!sawClass || !sawBody || !sawRefs)
        return Problem(at, WStr::Format(L"object %zu lacks its %s chunk", objects_.size(),
                                        !sawClass  ? L"class (0x2002)"
                                        : !sawBody ? L"body (0x2003)"
                                                   : L"references (0x2004)"));
    objects_.push_back(std::move(o));
    return IO_OK;
}

IOResult SceneReader::ReadNodes() {
    std::vector<std::int32_t> pairs;
    const size_t at = Offset() - kChunkHeaderSize;
    std::uint32_t count = 0;
    ULONG nr = 0;
    if (Read(&count, sizeof count, &nr) != IO_OK) return IO_ERROR;
    if (static_cast<size_t>(count) * 2 * sizeof(std::int32_t) > CurChunkLength() - sizeof count)
        return Problem(at, WStr::Format(L"node list: %u nodes announced, the chunk holds %zu", count,
                                        (CurChunkLength() - sizeof count) / (2 * sizeof(std::int32_t))));
    pairs.resize(static_cast<size_t>(count) * 2);
    if (count && Read(pairs.data(), static_cast<ULONG>(pairs.size() * sizeof(std::int32_t)), &nr) != IO_OK)
        return IO_ERROR;
    nodes_.clear();
    for (size_t i = 0; i < pairs.size(); i += 2) nodes_.push_back({pairs[i], pairs[i + 1]});
    return IO_OK;
}

IOResult SceneReader::ReadScene() {
    return ForEachChunk(this, [&](USHORT id) -> IOResult {
        switch (id) {
        case kLayersChunk: {
            ULONG nr = 0;
            if (ReadIds(layers_, L"layers") != IO_OK || Read(&currentLayer_, sizeof currentLayer_, &nr) != IO_OK)
                return IO_ERROR;
            break;
        }
        case kMaterialsChunk:
            if (ReadIds(materials_, L"scene materials") != IO_OK) return IO_ERROR;
            break;
        case kEditorSlotsChunk:
            if (ReadIds(editorSlots_, L"material editor slots") != IO_OK) return IO_ERROR;
            break;
        case kSceneDataChunk: {
            SceneData data;
            const IOResult d = ForEachChunk(this, [&](USHORT part) -> IOResult {
                if (part == kSceneDataNameChunk) return ReadWStringChunk(data.name);
                if (part == kSceneDataBodyChunk) data.body = Offset() - kChunkHeaderSize;
                return IO_OK;
            });
            if (d != IO_OK) return IO_ERROR;
            if (data.body) sceneData_.push_back(std::move(data));
            break;
        }
        case kRootAppDataChunk:
            rootAppData_ = std::make_unique<AnimAppData>();
            if (ReadAppData(this, *rootAppData_) != IO_OK) return IO_ERROR;
            break;
        case kSelSetChunk: {
            SelSet set;
            const IOResult s = ForEachChunk(this, [&](USHORT part) -> IOResult {
                if (part == kSelSetNameChunk) return ReadWStringChunk(set.name);
                if (part == kSelSetNodesChunk) return ReadIds(set.nodes, L"selection set");
                return IO_OK;
            });
            if (s != IO_OK) return IO_ERROR;
            selSets_.push_back(std::move(set));
            break;
        }
        default: break;
        }
        return IO_OK;
    });
}

// Ids name an object of the table or a special target, and the scene tables name the right kind.
IOResult SceneReader::CheckIds() {
    const auto n = static_cast<std::int32_t>(objects_.size());
    auto valid = [&](std::int32_t id) { return id >= kLowestSpecialId && id < n; };
    auto kind = [&](std::int32_t id) { return classes_[objects_[static_cast<size_t>(id)].cls].superClassId; };
    for (std::int32_t i = 0; i < n; ++i) {
        const Object& o = objects_[static_cast<size_t>(i)];
        const auto refs = Refs(o);
        for (size_t r = 0; r < refs.size(); ++r)
            if (!valid(refs[r]))
                return Problem(o.offset, WStr::Format(L"%s: reference %zu names object %d, the file has %d",
                                                      DescribeObject(i).c_str(), r, refs[r], n));
        for (std::int32_t a : Attribs(o))
            if (a < 0 || a >= n || kind(a) != CUST_ATTRIB_CLASS_ID)
                return Problem(o.offset, WStr::Format(L"%s: custom attribute id %d is not a custom attribute of the "
                                                      L"file",
                                                      DescribeObject(i).c_str(), a));
    }
    std::vector<bool> listed(objects_.size(), false);
    for (const NodeEntry& e : nodes_) {
        if (e.id < 0 || e.id >= n || kind(e.id) != BASENODE_CLASS_ID)
            return Problem(Bytes().size(), WStr::Format(L"node list: id %d is not a node of the file", e.id));
        if (listed[static_cast<size_t>(e.id)])
            return Problem(Bytes().size(), WStr::Format(L"node list: node %d is listed twice", e.id));
        listed[static_cast<size_t>(e.id)] = true;
    }
    for (const NodeEntry& e : nodes_)
        if (e.parent != kNullId && (e.parent < 0 || e.parent >= n || !listed[static_cast<size_t>(e.parent)]))
            return Problem(Bytes().size(), WStr::Format(L"node list: the parent %d of node %d is not a listed node",
                                                        e.parent, e.id));
    for (std::int32_t l : layers_)
        if (l < 0 || l >= n || kind(l) != LAYER_CLASS_ID)
            return Problem(Bytes().size(), WStr::Format(L"layer table: id %d is not a layer of the file", l));
    if (currentLayer_ >= static_cast<std::int32_t>(layers_.size()))
        return Problem(Bytes().size(), WStr::Format(L"layer table: current layer %d of %zu layers", currentLayer_,
                                                    layers_.size()));
    for (std::int32_t m : materials_)
        if (m < 0 || m >= n || !IsMaterialClass(kind(m)))
            return Problem(Bytes().size(), WStr::Format(L"scene materials: id %d is not a material of the file", m));
    for (size_t i = 0; i < editorSlots_.size(); ++i)
        if (const std::int32_t m = editorSlots_[i]; m != kNullId && (m < 0 || m >= n || !IsMaterialClass(kind(m))))
            return Problem(Bytes().size(), WStr::Format(L"material editor slot %zu: id %d is not a material or map "
                                                        L"of the file", i + 1, m));
    for (const SelSet& s : selSets_)
        for (std::int32_t id : s.nodes)
            if (id < 0 || id >= n || !listed[static_cast<size_t>(id)])
                return Problem(Bytes().size(), WStr::Format(L"selection set \"%s\": id %d is not a listed node",
                                                            s.name.c_str(), id));
    return IO_OK;
}

// The host never lets references close a loop; a file that has one is damaged (loading it would make
// every change notification circle forever).
IOResult SceneReader::CheckReferenceLoops() {
    enum : std::uint8_t { kWhite, kGrey, kBlack };
    std::vector<std::uint8_t> color(objects_.size(), kWhite);
    std::vector<std::pair<std::int32_t, size_t>> stack; // object, next reference to follow
    for (size_t start = 0; start < objects_.size(); ++start) {
        if (color[start] != kWhite) continue;
        stack.push_back({static_cast<std::int32_t>(start), 0});
        color[start] = kGrey;
        while (!stack.empty()) {
            auto& [id, next] = stack.back();
            const auto refs = Refs(objects_[static_cast<size_t>(id)]);
            if (next == refs.size()) {
                color[static_cast<size_t>(id)] = kBlack;
                stack.pop_back();
                continue;
            }
            const std::int32_t t = refs[next++];
            if (t < 0) continue;
            if (color[static_cast<size_t>(t)] == kGrey)
                return Problem(objects_[static_cast<size_t>(id)].offset,
                               WStr::Format(L"reference loop: %s reference %zu leads back to %s",
                                            DescribeObject(id).c_str(), next - 1, DescribeObject(t).c_str()));
            if (color[static_cast<size_t>(t)] == kWhite) {
                color[static_cast<size_t>(t)] = kGrey;
                stack.push_back({t, 0});
            }
        }
    }
    return IO_OK;
}

// Runs after CheckIds: every node and parent id is a listed node of the file, so both tables are indexed
// by object id.
IOResult SceneReader::CheckNodeTree() {
    std::vector<std::int32_t> parent(objects_.size(), kNullId);
    for (const NodeEntry& e : nodes_) parent[static_cast<size_t>(e.id)] = e.parent;
    // 0 unseen, 1 on the current walk, 2 known to reach the root.
    std::vector<std::uint8_t> state(objects_.size(), 0);
    std::vector<std::int32_t> walk;
    for (const NodeEntry& e : nodes_) {
        walk.clear();
        std::int32_t at = e.id;
        while (at != kNullId && state[static_cast<size_t>(at)] == 0) {
            state[static_cast<size_t>(at)] = 1;
            walk.push_back(at);
            at = parent[static_cast<size_t>(at)];
        }
        if (at != kNullId && state[static_cast<size_t>(at)] == 1)
            return Problem(Bytes().size(), WStr::Format(L"node list: node %d is its own ancestor", at));
        for (std::int32_t w : walk) state[static_cast<size_t>(w)] = 2;
    }
    return IO_OK;
}

// ---- 2. Create and load ----------------------------------------------------------------------------

IOResult SceneReader::CreateObjects() {
    created_ = true;
    for (size_t i = 0; i < objects_.size(); ++i) {
        Object& o = objects_[i];
        const ClassRef& c = classes_[o.cls];
        const auto id = static_cast<std::int32_t>(i);
        o.raw = c.cd->Create(TRUE);
        // Descriptors hand out the object itself; an animatable is the first base of every host class.
        auto* anim = static_cast<Animatable*>(o.raw);
        o.obj = anim ? dynamic_cast<ReferenceTarget*>(anim) : nullptr;
        if (!o.obj) {
            o.raw = nullptr;
            if (anim) anim->DeleteThis();
            return Problem(o.offset, WStr::Format(L"%s: its class descriptor made %s", DescribeObject(id).c_str(),
                                                  anim ? L"something that is not a reference target" : L"nothing"));
        }
        SeekTopLevel(o.body);
        OpenChunk();
        loadingObject_ = i;
        const IOResult r = o.obj->Load(this);
        loadingObject_ = kNoOwner;
        if (r != IO_OK || CurChunkDepth() != 1 || CurChunkID() != kObjectBodyChunk) {
            const WStr why = r != IO_OK ? (GetLastError().isNull() ? WStr(L"its Load reported an error")
                                                                    : GetLastProblem())
                                        : WStr(L"its Load closed more chunks than it opened");
            return Fail(WStr::Format(L"%s, body at offset %zu: %s", DescribeObject(id).c_str(), o.body, why.c_str()));
        }
        CloseChunk();
        if (o.appData && ReadAppDataAt(o.appData, o.obj) != IO_OK)
            return Fail(WStr::Format(L"%s, app data at offset %zu: %s", DescribeObject(id).c_str(), o.appData,
                                     GetLastProblem().c_str()));
        // A reference the object does not have after loading cannot be restored.
        const auto refs = Refs(o);
        for (size_t k = static_cast<size_t>(std::max(0, o.obj->NumRefs())); k < refs.size(); ++k)
            if (refs[k] != kNullId)
                return Problem(o.offset, WStr::Format(L"%s has %d references after loading, the file restores "
                                                      L"reference %zu",
                                                      DescribeObject(id).c_str(), o.obj->NumRefs(), k));
    }
    for (const Backpatch& b : backpatches_)
        if (b.id < kLowestSpecialId || b.id >= NumObjects())
            return Fail(WStr::Format(L"a pointer to object %d was recorded, the file has %d", b.id, NumObjects()));
    return IO_OK;
}

IOResult SceneReader::ReadAppDataAt(size_t offset, Animatable* anim) {
    SeekTopLevel(offset);
    OpenChunk();
    auto blocks = std::make_unique<AnimAppData>();
    const IOResult r = ReadAppData(this, *blocks);
    CloseChunk();
    if (r == IO_OK && blocks->Count()) anim->AddAProp(blocks.release());
    return r;
}

void SceneReader::PlaceRootAppData(Animatable* root) {
    root->ClearAllAppData();
    if (rootAppData_ && rootAppData_->Count()) root->AddAProp(rootAppData_.release());
}

void SceneReader::DeliverSceneData(INode* root) {
    const std::function<ReferenceTarget*(int)> objectAt = [this, root](int id) -> ReferenceTarget* {
        if (id == kSceneRootId) return root;
        return id >= 0 && id < NumObjects() && IsKept(id) ? Target(id) : nullptr;
    };
    for (SceneDataHandler* h : GetSceneDataHandlers()) {
        const SceneData* found = nullptr;
        for (const SceneData& d : sceneData_)
            if (d.name == MSTR(h->Name())) found = &d;
        if (!found) {
            h->Opened(nullptr, objectAt);
            continue;
        }
        SeekTopLevel(found->body);
        OpenChunk();
        h->Opened(this, objectAt);
        SeekTopLevel(Bytes().size());
    }
}

void SceneReader::RecordBackpatch(int refId, void** patchThis, DWORD) {
    if (patchThis) backpatches_.push_back({refId, patchThis});
}

void SceneReader::RegisterPostLoadCallback(PostLoadCallback* cb) {
    if (cb) postLoad_.push_back({cb, loadingObject_});
}

ReferenceTarget* SceneReader::Target(std::int32_t id) const {
    return id >= 0 && id < NumObjects() ? objects_[static_cast<size_t>(id)].obj : nullptr;
}
Node* SceneReader::NodeAt(std::int32_t id) const { return dynamic_cast<Node*>(Target(id)); }
ILayer* SceneReader::LayerAt(std::int32_t id) const { return dynamic_cast<ILayer*>(Target(id)); }
MtlBase* SceneReader::MtlAt(std::int32_t id) const { return dynamic_cast<MtlBase*>(Target(id)); }

// ---- 3. Link ---------------------------------------------------------------------------------------

ReferenceTarget* SceneReader::Resolve(std::int32_t id) const {
    switch (id) {
    case kNullId: return nullptr;
    case kSceneRootId: return ip_->GetRootNode();
    case kSceneMtlLibId: return ip_->GetSceneMtls();
    case kLayerManagerId: return dynamic_cast<ReferenceTarget*>(ip_->GetLayerManager());
    default: break;
    }
    if (auto it = substitutes_.find(id); it != substitutes_.end()) return it->second;
    return IsKept(id) ? objects_[static_cast<size_t>(id)].obj : nullptr;
}

IOResult SceneReader::Link(const std::vector<std::int32_t>& roots) {
    kept_.assign(objects_.size(), false);
    std::vector<std::int32_t> todo;
    auto keep = [&](std::int32_t id) {
        if (id < 0 || kept_[static_cast<size_t>(id)] || substitutes_.count(id)) return;
        kept_[static_cast<size_t>(id)] = true;
        todo.push_back(id);
    };
    for (std::int32_t r : roots) keep(r);
    while (!todo.empty()) {
        const Object& o = objects_[static_cast<size_t>(todo.back())];
        todo.pop_back();
        for (std::int32_t t : Refs(o)) keep(t);
        for (std::int32_t a : Attribs(o)) keep(a);
    }
    for (size_t i = 0; i < objects_.size(); ++i) {
        if (!kept_[i]) continue;
        Object& o = objects_[i];
        const auto refs = Refs(o);
        for (size_t k = 0; k < refs.size(); ++k) {
            ReferenceTarget* t = Resolve(refs[k]);
            if (!t) continue;
            RefGraph::Set(o.obj, static_cast<int>(k), t, nullptr, false);
            if (o.obj->GetReference(static_cast<int>(k)) == t) continue;
            // The class takes only a certain kind of target in this slot.
            RefGraph::Set(o.obj, static_cast<int>(k), nullptr, nullptr, false);
            Unlink(i, k);
            const auto id = static_cast<std::int32_t>(i);
            return Problem(o.offset, WStr::Format(L"%s refused reference %zu to %s", DescribeObject(id).c_str(), k,
                                                  DescribeTarget(refs[k]).c_str()));
        }
    }
    for (const Backpatch& b : backpatches_) {
        ReferenceTarget* t = Resolve(b.id);
        // Patched with the object as its descriptor made it, which is what the loader's pointer holds.
        void* value = nullptr;
        if (t && b.id >= 0 && IsKept(b.id)) value = objects_[static_cast<size_t>(b.id)].raw;
        else if (t) value = static_cast<void*>(static_cast<Animatable*>(t));
        *b.where = value;
    }
    for (size_t i = 0; i < objects_.size(); ++i) {
        if (!kept_[i] || objects_[i].attribCount == 0) continue;
        ReferenceTarget* owner = objects_[i].obj;
        owner->AllocCustAttribContainer();
        auto* cc = dynamic_cast<CustAttribContainer*>(owner->GetCustAttribContainer());
        if (!cc) continue;
        for (std::int32_t a : Attribs(objects_[i]))
            if (auto* ca = dynamic_cast<CustAttrib*>(Target(a))) cc->AppendQuietly(ca);
    }
    // What is not kept was never linked: nothing refers to it, and its callbacks must not run.
    std::erase_if(postLoad_, [this](const PostLoad& p) { return p.owner != kNoOwner && !kept_[p.owner]; });
    for (size_t i = 0; i < objects_.size(); ++i)
        if (!kept_[i] && objects_[i].obj) {
            objects_[i].obj->DeleteMe();
            objects_[i].obj = nullptr;
            objects_[i].raw = nullptr;
        }
    backpatches_.clear();
    linked_ = true;
    return IO_OK;
}

// Takes back the references Link restored before object `upTo` refused its reference `refsOfLast`, so
// that neither the scene's targets nor the created objects keep a trace of the load.
void SceneReader::Unlink(size_t upTo, size_t refsOfLast) {
    for (size_t i = 0; i <= upTo && i < objects_.size(); ++i) {
        if (!kept_[i]) continue;
        Object& o = objects_[i];
        const auto refs = Refs(o);
        const size_t n = i == upTo ? refsOfLast : refs.size();
        for (size_t k = 0; k < n; ++k)
            if (Resolve(refs[k]) && o.obj->GetReference(static_cast<int>(k)))
                RefGraph::Set(o.obj, static_cast<int>(k), nullptr, nullptr, false);
    }
}

void SceneReader::RunPostLoadCallbacks() {
    std::vector<PostLoadCallback*> callbacks;
    callbacks.reserve(postLoad_.size());
    for (const PostLoad& p : postLoad_) callbacks.push_back(p.cb);
    postLoad_.clear();
    std::stable_sort(callbacks.begin(), callbacks.end(),
                     [](PostLoadCallback* a, PostLoadCallback* b) { return a->Priority() < b->Priority(); });
    // A callback may register further ones (they run after this round).
    for (PostLoadCallback* cb : callbacks) cb->proc(this);
    if (!postLoad_.empty()) RunPostLoadCallbacks();
}

void SceneReader::Discard() {
    for (Object& o : objects_)
        if (o.obj) {
            o.obj->DeleteMe();
            o.obj = nullptr;
            o.raw = nullptr;
        }
    postLoad_.clear();
    backpatches_.clear();
    created_ = false;
}
