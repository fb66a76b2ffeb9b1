// Reads scene files in three steps, so that a damaged file is refused before the open scene is touched.
#pragma once

#include "host/core/Animatable.h"
#include "host/core/AppData.h"
#include "host/core/ChunkLoad.h"
#include "host/scene/Interface.h"

#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

class ClassDesc;
class Node;
class ILayer;
class MtlBase;

// 1. Index: reads the header, the class table and the whole chunk structure, checks every id, that every
//    class is registered, that references and node parents form no loop. Creates nothing.
// 2. CreateObjects: creates every object through its class descriptor for loading and lets it read its
//    own chunks. Still nothing is in the scene; on failure the objects are deleted again.
// 3. Link: restores the references of the objects the caller keeps (with the substitutions it chose,
//    e.g. a scene layer for a file layer of the same name), patches pointers, attaches custom attributes,
//    and deletes what is not kept. Fails when an object refuses a reference (the file names an object of
//    the wrong kind for it): every reference it restored is undone again, so the caller can Discard and
//    the scene is as before. RunPostLoadCallbacks ends the load.
class SceneReader : public ChunkLoad {
public:
    struct ClassRef {
        SClass_ID superClassId;
        Class_ID classId;
        MSTR name;
        ClassDesc* cd;
    };
    struct Object {
        std::uint32_t cls = 0;
        size_t offset = 0; // of the object's chunk
        size_t body = 0;   // of its body chunk
        // Its reference and custom attribute ids: runs of the reader's one id array.
        std::uint32_t refsAt = 0, refCount = 0;
        std::uint32_t attribsAt = 0, attribCount = 0;
        size_t appData = 0; // offset of its app data chunk; 0: none
        void* raw = nullptr; // as the descriptor created it (what pointers are patched with)
        ReferenceTarget* obj = nullptr;
    };
    struct NodeEntry {
        std::int32_t id;
        std::int32_t parent; // kNullId: under the root
    };
    struct SelSet {
        MSTR name;
        std::vector<std::int32_t> nodes;
    };

    // ip's scene gives the targets of the special ids (root, material library, layer manager).
    explicit SceneReader(Interface* ip) : ip_(ip) {}
    ~SceneReader() override;

    IOResult IndexFile(const WStr& path);
    IOResult IndexBytes(std::vector<std::uint8_t> bytes);
    IOResult CreateObjects();
    // Keeps the objects reachable from roots through references and custom attributes (a substituted id
    // is not followed: its substitute is used instead).
    void Substitute(std::int32_t id, ReferenceTarget* target) { substitutes_[id] = target; }
    IOResult Link(const std::vector<std::int32_t>& roots);
    void RunPostLoadCallbacks();
    // Deletes every created object (a load that is given up).
    void Discard();

    const WStr& Error() const { return GetLastError(); }
    int NumObjects() const { return static_cast<int>(objects_.size()); }
    const Object& GetObject(std::int32_t id) const { return objects_[static_cast<size_t>(id)]; }
    std::span<const std::int32_t> RefsOf(std::int32_t id) const { return Refs(GetObject(id)); }
    const ClassRef& ClassOf(std::int32_t id) const { return classes_[objects_[static_cast<size_t>(id)].cls]; }
    ReferenceTarget* Target(std::int32_t id) const;
    Node* NodeAt(std::int32_t id) const;
    ILayer* LayerAt(std::int32_t id) const;
    MtlBase* MtlAt(std::int32_t id) const;
    bool IsKept(std::int32_t id) const { return id >= 0 && kept_[static_cast<size_t>(id)]; }

    const std::vector<NodeEntry>& Nodes() const { return nodes_; }
    const std::vector<std::int32_t>& Layers() const { return layers_; }
    int CurrentLayer() const { return currentLayer_; }
    bool HasSceneTables() const { return hasScene_; }
    const std::vector<std::int32_t>& Materials() const { return materials_; }
    // The material editor's slots in order (kNullId for an empty one); empty for a file without them.
    const std::vector<std::int32_t>& EditorSlots() const { return editorSlots_; }
    const std::vector<SelSet>& SelSets() const { return selSets_; }
    // Gives root the app data the file's scene root had (none when the file has none).
    void PlaceRootAppData(Animatable* root);
    // Hands each registered scene data handler its data of the file (or none); the scene root stands
    // for itself.
    void DeliverSceneData(INode* root);

    // ILoad.
    void RecordBackpatch(int refId, void** patchThis, DWORD flags = 0) override;
    void RegisterPostLoadCallback(PostLoadCallback* cb) override;

private:
    IOResult Index();
    IOResult ReadClasses();
    IOResult ReadObjects();
    IOResult ReadObject(size_t at);
    IOResult ReadNodes();
    IOResult ReadScene();
    IOResult ReadIds(std::vector<std::int32_t>& ids, const wchar_t* what);
    // Reads a list of ids onto the end of ids_: where it starts and its length.
    IOResult ReadIdRun(std::uint32_t& at, std::uint32_t& count, const wchar_t* what);
    std::span<const std::int32_t> Refs(const Object& o) const { return {ids_.data() + o.refsAt, o.refCount}; }
    std::span<const std::int32_t> Attribs(const Object& o) const {
        return {ids_.data() + o.attribsAt, o.attribCount};
    }
    IOResult WalkStructure();
    IOResult CheckIds();
    IOResult CheckReferenceLoops();
    IOResult CheckNodeTree();
    IOResult Problem(size_t offset, const WStr& what);
    WStr DescribeObject(std::int32_t id) const;
    WStr DescribeTarget(std::int32_t id) const;
    void Unlink(size_t upTo, size_t refsOfLast);
    ReferenceTarget* Resolve(std::int32_t id) const;
    IOResult ReadAppDataAt(size_t offset, Animatable* anim);

    Interface* ip_;
    std::vector<ClassRef> classes_;
    std::vector<Object> objects_;
    // Every object's reference and custom attribute ids, one run per object: a file of a million objects
    // is read into one array rather than into a million small ones.
    std::vector<std::int32_t> ids_;
    std::vector<NodeEntry> nodes_;
    std::vector<std::int32_t> layers_;
    std::int32_t currentLayer_ = -1;
    std::vector<std::int32_t> materials_;
    std::vector<std::int32_t> editorSlots_;
    std::vector<SelSet> selSets_;
    bool hasScene_ = false;
    std::unique_ptr<AnimAppData> rootAppData_;
    struct SceneData {
        MSTR name;
        size_t body = 0;
    };
    std::vector<SceneData> sceneData_;
    std::unordered_map<std::int32_t, ReferenceTarget*> substitutes_;
    std::vector<bool> kept_;
    struct Backpatch {
        std::int32_t id;
        void** where;
    };
    std::vector<Backpatch> backpatches_;
    // Each callback with the object whose Load registered it (kNoOwner outside any object's Load): the
    // callbacks of an object the load drops as unreachable go with it.
    static constexpr size_t kNoOwner = static_cast<size_t>(-1);
    struct PostLoad {
        PostLoadCallback* cb;
        size_t owner;
    };
    std::vector<PostLoad> postLoad_;
    size_t loadingObject_ = kNoOwner;
    bool created_ = false;
    bool linked_ = false;
};
