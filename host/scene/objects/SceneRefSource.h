// The item a scene reference shows: the object of a node, or a material, named in another scene file,
// read through the host's file loading when first asked for and again after its settings change.
#pragma once

#include "host/core/WStr.h"
#include "host/scene/IParamBlock2.h"

#include <vector>

class ReferenceMaker;
class ReferenceTarget;

// Block parameters of the scene-reference object and material (the material adds useLocal).
enum SceneRefParamID : ParamID {
    xref_fileName = 0,
    xref_itemName = 1,
    xref_proxyFileName = 2,
    xref_proxyItemName = 3,
    xref_displayProxy = 4,
    xref_renderProxy = 5,
    xref_useLocal = 6,
};

// The settings as the block holds them at time 0.
struct SceneRefSettings {
    MSTR fileName, itemName, proxyFileName, proxyItemName;
    BOOL displayProxy = FALSE, renderProxy = FALSE, useLocal = FALSE;

    bool operator==(const SceneRefSettings& o) const {
        return fileName == o.fileName && itemName == o.itemName && proxyFileName == o.proxyFileName &&
               proxyItemName == o.proxyItemName && displayProxy == o.displayProxy && renderProxy == o.renderProxy &&
               useLocal == o.useLocal;
    }
    // The proxy is used where its switch is on (the viewport's, or the renderer's).
    bool UsesProxy(bool render) const { return (render ? renderProxy : displayProxy) != FALSE; }
    const MSTR& FileFor(bool render) const { return UsesProxy(render) ? proxyFileName : fileName; }
    const MSTR& ItemFor(bool render) const { return UsesProxy(render) ? proxyItemName : itemName; }
};

// Reads the settings of a block laid out by SceneRefParams; a missing block gives the defaults.
SceneRefSettings ReadSceneRefSettings(IParamBlock2* pb);
// The block layout: the file and item, the proxy's, the two switches, and for materials useLocal.
std::vector<ParamDef> SceneRefParams(bool material);

// What it loaded is held in two weak references of its owner (firstRef: the viewport's item, firstRef + 1:
// the renderer's when its choice differs), so nothing in the scene depends on it, an item nothing else
// took goes when it is dropped, and an item deleted by someone else is only read again. The owner never
// saves these references and drops them with its others. A file or item that cannot be read leaves the
// slot empty with the reason; asking again after the same failure does not read the file again until the
// settings change or Reload is asked for.
class SceneRefSource {
public:
    SceneRefSource(bool material, ReferenceMaker* owner, int firstRef)
        : material_(material), owner_(owner), firstRef_(firstRef) {}
    SceneRefSource(const SceneRefSource&) = delete;
    SceneRefSource& operator=(const SceneRefSource&) = delete;

    // The item the settings name for the viewport or for rendering; null without a file name or when it
    // cannot be read (Error() then says why).
    ReferenceTarget* Get(const SceneRefSettings& s, bool render);
    // Forgets what was loaded and every failure: the next Get reads the files again.
    void Reload();
    // The reason the last Get for the viewport (or rendering) found nothing; empty when it found its item.
    const MSTR& Error(bool render = false) const { return slots_[render ? 1 : 0].error; }
    // Whether the slot holds what the settings name (nothing is read for this answer).
    bool IsCurrent(const SceneRefSettings& s, bool render) const;

private:
    struct Slot {
        MSTR file, item;
        bool tried = false;
        MSTR error;
    };
    ReferenceTarget* Loaded(int k) const;
    void Drop(int k);

    bool material_;
    ReferenceMaker* owner_;
    int firstRef_;
    Slot slots_[2];
};
