// Scene-wide data that a higher layer keeps in the scene file beside the scene's own tables (the script
// language's persistent globals): written with every whole-scene save, handed back after every open.
#pragma once

#include "host/core/ChunkIO.h"

#include <functional>
#include <vector>

class ReferenceTarget;

class SceneDataHandler {
public:
    virtual ~SceneDataHandler() = default;
    // Names the data in the file; data of a file that no registered handler names is skipped.
    virtual const wchar_t* Name() const = 0;
    // Whether the scene has any of this data; a save writes nothing for the handler when it has none.
    virtual bool HasData() const = 0;
    // Writes the data as chunks of its own. isave->GetRefID gives the id of an object the file holds (-1
    // for one it leaves out).
    virtual IOResult Save(ISave* isave) = 0;
    // After an open placed the file's scene: iload has the chunks Save wrote open, or is null when the
    // file holds none (a scene saved without this data). objectAt turns an id of GetRefID back into the
    // scene object (null for an id the open did not keep).
    virtual void Opened(ILoad* iload, const std::function<ReferenceTarget*(int)>& objectAt) = 0;
};

// The handlers in registration order; a handler stays registered until it unregisters.
void RegisterSceneDataHandler(SceneDataHandler* handler);
void UnRegisterSceneDataHandler(SceneDataHandler* handler);
const std::vector<SceneDataHandler*>& GetSceneDataHandlers();
