// The registry of scene data handlers.
#include "host/io/SceneDataHandler.h"

#include <algorithm>

namespace {
std::vector<SceneDataHandler*>& Handlers() {
    static std::vector<SceneDataHandler*> handlers;
    return handlers;
}
} // namespace

void RegisterSceneDataHandler(SceneDataHandler* handler) {
    auto& h = Handlers();
    if (handler && std::find(h.begin(), h.end(), handler) == h.end()) h.push_back(handler);
}

void UnRegisterSceneDataHandler(SceneDataHandler* handler) {
    auto& h = Handlers();
    h.erase(std::remove(h.begin(), h.end(), handler), h.end());
}

const std::vector<SceneDataHandler*>& GetSceneDataHandlers() { return Handlers(); }
