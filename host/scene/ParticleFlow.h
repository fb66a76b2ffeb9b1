// The Particle Flow queries the host publishes for plug-ins that look into particle systems: which object
// of a pipeline is the particle flow object, and whether an action node is a test.
#pragma once

#include "host/core/MaxTypes.h"

class INode;
class Object;

// Answered by particle flow tests (actions that split the particle stream).
constexpr Interface_ID PFTEST_INTERFACE(0x74F93D02, 0x1EB34500);

// The particle flow object obj stands for: derived objects are followed down to the object at the bottom
// of their stack; any other object is its own. Null for null.
Object* GetPFObject(Object* obj);

class IPFActionList {
public:
    // True when node is an action node whose particle flow object is a test.
    static bool IsTest(INode* node);
};
