// The Particle Flow queries.
#include "host/scene/ParticleFlow.h"

#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"

Object* GetPFObject(Object* obj) {
    // Each step goes one derived object down; a stack ends at an object that is not derived.
    while (auto* derived = dynamic_cast<IDerivedObject*>(obj)) obj = derived->GetObjRef();
    return obj;
}

bool IPFActionList::IsTest(INode* node) {
    if (!node) return false;
    Object* pf = GetPFObject(node->GetObjectRef());
    return pf && pf->GetInterface(PFTEST_INTERFACE) != nullptr;
}
