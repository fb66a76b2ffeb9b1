// The built-in class families' descriptors, gathered by RegisterObjectClasses.
#pragma once

#include "host/scene/objects/ObjectClasses.h"

#include <vector>

// Each returns the same descriptors on every call (they live for the rest of the process).
const std::vector<ObjectClassDesc*>& GeometryClassDescs();
const std::vector<ObjectClassDesc*>& HelperClassDescs();
const std::vector<ObjectClassDesc*>& LightCameraClassDescs();
const std::vector<ObjectClassDesc*>& ShapeClassDescs();
const std::vector<ObjectClassDesc*>& ModifierClassDescs();
const std::vector<ObjectClassDesc*>& SceneRefClassDescs();
const std::vector<ObjectClassDesc*>& ParticleClassDescs();
