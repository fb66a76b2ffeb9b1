// The write side of scene files: which objects go into the file, their ids, and the chunks.
#include "host/io/SceneWriter.h"

#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/io/AppDataChunks.h"
#include "host/io/SceneDataHandler.h"
#include "host/io/SceneFileFormat.h"
#include "host/scene/CustAttrib.h"
#include "host/scene/ILayer.h"
#include "host/scene/INode.h"
#include "host/scene/Mtl.h"
#include "host/scene/NamedSelectionSets.h"
#include "host/scene/materials/MtlEditorSlots.h"

#include <deque>
#include <map>
#include <unordered_map>

using namespace scenefile;

int SceneSave::GetRefID(void* ptr) {
    return ids.Find(ptr);
}

namespace {

const void* Key(Animatable* a) { return static_cast<const void*>(a); }

WStr Describe(Animatable* a) {
    MSTR name;
    a->GetClassName(name);
    const Class_ID cid = a->ClassID();
    return WStr::Format(L"%s (super class 0x%X, class id (0x%X, 0x%X))", name.c_str(), a->SuperClassID(),
                        cid.PartA(), cid.PartB());
}

// One write: the object table grows as references are followed, breadth first, so every object is
// visited once and the cost is linear in what is written.
class Writer {
public:
    Writer(Interface* ip, SceneSave& out) : ip_(ip), out_(out) {
        root_ = ip->GetRootNode();
        mtlLib_ = ip->GetSceneMtls();
        layerManager_ = dynamic_cast<ReferenceTarget*>(ip->GetLayerManager());
    }

    IOResult Run(const std::vector<INode*>& treeNodes, bool wholeScene, WStr& error) {
        for (INode* n : treeNodes) IdOf(n);
        std::vector<std::int32_t> layerIds;
        int currentLayer = -1;
        ILayerManager* lm = ip_->GetLayerManager();
        if (wholeScene && lm) {
            for (int i = 0; i < lm->GetLayerCount(); ++i) {
                ILayer* l = lm->GetLayer(i);
                if (!l) continue;
                if (l == lm->GetCurrentLayer()) currentLayer = static_cast<int>(layerIds.size());
                layerIds.push_back(IdOf(l));
            }
        }
        // The material editor's slots go with the scene: what they show need not be used anywhere else.
        std::vector<std::int32_t> slotIds;
        if (wholeScene)
            for (int i = 0; i < MtlEditorSlots::kCount; ++i) slotIds.push_back(IdOf(ip_->GetMtlSlot(i)));
        // Objects lie apart in memory: the next one's first line (its class and first fields) is asked
        // for while this one is visited or written, so its miss is not waited for in turn.
        for (size_t i = 0; i < table_.size(); ++i) {
            PrefetchObject(i + 1);
            if (!Visit(i, error)) return IO_ERROR;
        }

        WriteHeader();
        WriteClasses();
        out_.BeginChunk(kObjectsChunk);
        for (size_t i = 0; i < table_.size(); ++i) {
            PrefetchObject(i + 1);
            if (!WriteObject(i, error)) return IO_ERROR;
        }
        out_.EndChunk();
        WriteNodeList();
        if (wholeScene && !WriteSceneTables(layerIds, currentLayer, slotIds, error)) return IO_ERROR;
        if (out_.Commit() != IO_OK) {
            error = out_.GetLastError();
            return IO_ERROR;
        }
        return IO_OK;
    }

private:
    // Reference and attribute ids live in two tables shared by all entries (an entry names its slice):
    // a large scene has a million objects, and a table of their own each would cost as many allocations.
    struct Entry {
        ReferenceTarget* obj;
        std::uint32_t cls = 0;
        std::uint32_t refsAt = 0;
        std::uint32_t refCount = 0;
        std::uint32_t attribsAt = 0;
        std::uint32_t attribCount = 0;
    };
    // A node of the table and its parent, noted while the visit has the node at hand, so the node list is
    // written without going through every object once more.
    struct NodeEntry {
        std::int32_t id;
        INode* parent;
    };

    void PrefetchObject(size_t i) const {
        if (i < table_.size()) __builtin_prefetch(table_[i].obj);
    }

    std::int32_t IdOf(ReferenceTarget* t) {
        if (!t) return kNullId;
        if (t == mtlLib_) return kSceneMtlLibId;
        if (t == layerManager_) return kLayerManagerId;
        if (t->SuperClassID() == BASENODE_CLASS_ID) {
            auto* n = dynamic_cast<INode*>(t);
            // The trees of external-scene entries stay out of the file, their roots with them.
            if (n && n->IsRootNode()) return n == root_ ? kSceneRootId : kNullId;
        }
        bool added = false;
        const int id = out_.ids.Insert(Key(t), static_cast<int>(table_.size()), added);
        if (added) table_.push_back(Entry{t});
        return id;
    }

    bool Visit(size_t i, WStr& error) {
        ReferenceTarget* obj = table_[i].obj;
        const SClass_ID sclass = obj->SuperClassID();
        const Class_ID cid = obj->ClassID();
        const ClassEntry* ce = GetClassDirectory().FindClassEntry(sclass, cid);
        if (!ce) {
            error = WStr::Format(L"object %zu, %s: no class descriptor is registered for its class, so it could "
                                 L"not be read back",
                                 i, Describe(obj).c_str());
            return false;
        }
        auto [it, added] = classIndex_.emplace(ce, static_cast<std::uint32_t>(classes_.size()));
        if (added) classes_.push_back(ce);
        table_[i].cls = it->second;

        if (sclass == BASENODE_CLASS_ID)
            if (auto* node = dynamic_cast<INode*>(obj))
                nodes_.push_back(NodeEntry{static_cast<std::int32_t>(i), node->GetParentNode()});

        table_[i].attribsAt = static_cast<std::uint32_t>(attribIds_.size());
        if (ICustAttribContainer* cc = obj->GetCustAttribContainer()) {
            for (int k = 0; k < cc->GetNumCustAttribs(); ++k)
                if (CustAttrib* ca = cc->GetCustAttrib(k)) {
                    const std::int32_t id = IdOf(ca);
                    attribIds_.push_back(id);
                }
        }
        table_[i].attribCount = static_cast<std::uint32_t>(attribIds_.size()) - table_[i].attribsAt;
        const int n = obj->NumRefs();
        table_[i].refsAt = static_cast<std::uint32_t>(refIds_.size());
        table_[i].refCount = static_cast<std::uint32_t>(n > 0 ? n : 0);
        for (int r = 0; r < n; ++r) {
            ReferenceTarget* t = obj->GetReference(r);
            const bool written = t && (obj->IsRealDependency(t) || obj->ShouldPersistWeakRef(t));
            // IdOf may grow the object table, never these ids: the slot is taken after the call.
            const std::int32_t id = written ? IdOf(t) : kNullId;
            refIds_.push_back(id);
        }
        return true;
    }

    void PutU32(std::uint32_t v) {
        ULONG nw = 0;
        out_.Write(&v, sizeof v, &nw);
    }
    void PutIds(const std::int32_t* ids, size_t count) {
        PutU32(static_cast<std::uint32_t>(count));
        ULONG nw = 0;
        if (count) out_.Write(ids, static_cast<ULONG>(count * sizeof(std::int32_t)), &nw);
    }
    void PutIds(const std::vector<std::int32_t>& ids) { PutIds(ids.data(), ids.size()); }

    void WriteHeader() {
        ULONG nw = 0;
        out_.Write(kMagic, sizeof kMagic, &nw);
        PutU32(kVersion);
    }

    void WriteClasses() {
        out_.BeginChunk(kClassesChunk);
        for (const ClassEntry* ce : classes_) {
            out_.BeginChunk(kClassChunk);
            PutU32(ce->SuperClassID());
            PutU32(ce->ClassID().PartA());
            PutU32(ce->ClassID().PartB());
            out_.WriteWString(ce->ClassName().c_str());
            out_.EndChunk();
        }
        out_.EndChunk();
    }

    bool WriteObject(size_t i, WStr& error) {
        Entry& e = table_[i];
        out_.BeginChunk(kObjectChunk);
        out_.BeginChunk(kObjectClassChunk);
        PutU32(e.cls);
        out_.EndChunk();
        out_.BeginChunk(kObjectBodyChunk);
        const int depth = out_.CurChunkDepth();
        const IOResult r = e.obj->Save(&out_);
        if (r != IO_OK || out_.Failed() || out_.CurChunkDepth() != depth) {
            const WStr why = out_.Failed() ? out_.GetLastError()
                             : r != IO_OK  ? WStr(L"its Save reported an error")
                                           : WStr::Format(L"its Save left %d chunk(s) open", out_.CurChunkDepth() - depth);
            error = WStr::Format(L"object %zu, %s: %s", i, Describe(e.obj).c_str(), why.c_str());
            return false;
        }
        out_.EndChunk();
        out_.BeginChunk(kObjectRefsChunk);
        PutIds(refIds_.data() + e.refsAt, e.refCount);
        out_.EndChunk();
        if (e.attribCount) {
            out_.BeginChunk(kObjectAttribsChunk);
            PutIds(attribIds_.data() + e.attribsAt, e.attribCount);
            out_.EndChunk();
        }
        WriteAppDataChunk(&out_, kObjectAppDataChunk, e.obj);
        out_.EndChunk();
        return true;
    }

    // Pairs of (node, parent): a parent that is not written (the scene root, the root of an external-scene
    // tree, a node left out of a partial write) is written as null and the node goes under the root.
    void WriteNodeList() {
        std::vector<std::int32_t> pairs;
        pairs.reserve(nodes_.size() * 2);
        for (const NodeEntry& n : nodes_) {
            pairs.push_back(n.id);
            pairs.push_back(WrittenId(n.parent));
        }
        out_.BeginChunk(kNodesChunk);
        PutU32(static_cast<std::uint32_t>(pairs.size() / 2));
        ULONG nw = 0;
        if (!pairs.empty()) out_.Write(pairs.data(), static_cast<ULONG>(pairs.size() * sizeof(std::int32_t)), &nw);
        out_.EndChunk();
    }

    std::int32_t WrittenId(Animatable* a) const {
        if (!a) return kNullId;
        const int id = out_.ids.Find(Key(a));
        return id < 0 ? kNullId : id;
    }

    bool WriteSceneTables(const std::vector<std::int32_t>& layerIds, int currentLayer,
                          const std::vector<std::int32_t>& slotIds, WStr& error) {
        out_.BeginChunk(kSceneChunk);
        out_.BeginChunk(kLayersChunk);
        PutIds(layerIds);
        const std::int32_t cur = currentLayer;
        ULONG nw = 0;
        out_.Write(&cur, sizeof cur, &nw);
        out_.EndChunk();

        std::vector<std::int32_t> mtls;
        if (mtlLib_)
            for (int i = 0; i < mtlLib_->Count(); ++i)
                if (std::int32_t id = WrittenId((*mtlLib_)[i]); id >= 0) mtls.push_back(id);
        out_.BeginChunk(kMaterialsChunk);
        PutIds(mtls);
        out_.EndChunk();
        out_.BeginChunk(kEditorSlotsChunk);
        PutIds(slotIds);
        out_.EndChunk();

        if (INamedSelectionSetManager* sets = ip_->GetNamedSelectionSetManager()) {
            for (int s = 0; s < sets->GetNumNamedSelSets(); ++s) {
                std::vector<std::int32_t> members;
                for (int j = 0; j < sets->GetNamedSelSetItemCount(s); ++j)
                    if (std::int32_t id = WrittenId(sets->GetNamedSelSetItem(s, j)); id >= 0) members.push_back(id);
                out_.BeginChunk(kSelSetChunk);
                out_.BeginChunk(kSelSetNameChunk);
                out_.WriteWString(sets->GetNamedSelSetName(s).c_str());
                out_.EndChunk();
                out_.BeginChunk(kSelSetNodesChunk);
                PutIds(members);
                out_.EndChunk();
                out_.EndChunk();
            }
        }
        if (root_) WriteAppDataChunk(&out_, kRootAppDataChunk, root_);
        if (!WriteSceneData(error)) return false;
        out_.EndChunk();
        return true;
    }

    // Each handler's data in a chunk of its own, after the scene tables, so that every object id is known.
    bool WriteSceneData(WStr& error) {
        for (SceneDataHandler* h : GetSceneDataHandlers()) {
            if (!h->HasData()) continue;
            out_.BeginChunk(kSceneDataChunk);
            out_.BeginChunk(kSceneDataNameChunk);
            out_.WriteWString(h->Name());
            out_.EndChunk();
            out_.BeginChunk(kSceneDataBodyChunk);
            const int depth = out_.CurChunkDepth();
            if (h->Save(&out_) != IO_OK || out_.Failed() || out_.CurChunkDepth() != depth) {
                error = WStr::Format(L"the scene data \"%s\": %s", h->Name(),
                                     out_.Failed() ? out_.GetLastError().c_str() : L"its Save failed");
                return false;
            }
            out_.EndChunk();
            out_.EndChunk();
        }
        return true;
    }

    Interface* ip_;
    SceneSave& out_;
    INode* root_;
    MtlBaseLib* mtlLib_;
    ReferenceTarget* layerManager_;
    std::vector<Entry> table_;
    std::vector<std::int32_t> refIds_;
    std::vector<std::int32_t> attribIds_;
    std::vector<NodeEntry> nodes_;
    std::vector<const ClassEntry*> classes_;
    std::unordered_map<const ClassEntry*, std::uint32_t> classIndex_;
};

// Every node below root, parents before children, siblings in order.
std::vector<INode*> SceneTree(INode* root) {
    std::vector<INode*> out;
    std::vector<INode*> stack;
    for (int i = root->NumberOfChildren() - 1; i >= 0; --i) stack.push_back(root->GetChildNode(i));
    while (!stack.empty()) {
        INode* n = stack.back();
        stack.pop_back();
        out.push_back(n);
        for (int i = n->NumberOfChildren() - 1; i >= 0; --i) stack.push_back(n->GetChildNode(i));
    }
    return out;
}

std::vector<INode*> GivenNodes(const INodeTab& nodes) {
    std::vector<INode*> out;
    std::unordered_map<INode*, bool> seen;
    for (int i = 0; i < nodes.Count(); ++i)
        if (nodes[i] && !nodes[i]->IsRootNode() && seen.emplace(nodes[i], true).second) out.push_back(nodes[i]);
    return out;
}

IOResult Write(Interface* ip, const std::vector<INode*>& nodes, bool wholeScene, SceneSave& out, WStr& error) {
    WStr why;
    Writer w(ip, out);
    if (w.Run(nodes, wholeScene, why) == IO_OK) return IO_OK;
    const WStr file = WStr(out.FileName());
    error = file.isNull() ? WStr(L"cannot save the scene: ") + why
                          : WStr(L"cannot save \"") + file + L"\": " + why;
    return IO_ERROR;
}

} // namespace

IOResult SceneWriter::WriteScene(Interface* ip, const WStr& path, WStr& error) {
    SceneSave out(path);
    return Write(ip, SceneTree(ip->GetRootNode()), true, out, error);
}

IOResult SceneWriter::WriteNodes(Interface* ip, const INodeTab& nodes, const WStr& path, WStr& error) {
    SceneSave out(path);
    return Write(ip, GivenNodes(nodes), false, out, error);
}

IOResult SceneWriter::WriteSceneToBytes(Interface* ip, std::vector<std::uint8_t>& bytes, WStr& error) {
    SceneSave out;
    if (Write(ip, SceneTree(ip->GetRootNode()), true, out, error) != IO_OK) return IO_ERROR;
    bytes = out.TakeBytes();
    return IO_OK;
}

IOResult SceneWriter::WriteNodesToBytes(Interface* ip, const INodeTab& nodes, std::vector<std::uint8_t>& bytes,
                                        WStr& error) {
    SceneSave out;
    if (Write(ip, GivenNodes(nodes), false, out, error) != IO_OK) return IO_ERROR;
    bytes = out.TakeBytes();
    return IO_OK;
}
