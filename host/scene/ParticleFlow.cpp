// The Particle Flow queries and the connections between sources, tests and events.
#include "host/scene/ParticleFlow.h"

#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"
#include "host/scene/objects/ConfiguredObject.h"

namespace {

// Sources are geometric objects, tests helpers; both keep the event they lead to in their first free
// reference slot (a weak one: the event node is the scene's).
template <class Base> ConfiguredObject<Base>* Leader(Object* obj) {
    auto* c = dynamic_cast<ConfiguredObject<Base>*>(obj);
    return c && c->NumExtraRefs() > 0 ? c : nullptr;
}

} // namespace

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

bool IPFActionList::IsAction(INode* node) {
    if (!node) return false;
    Object* pf = GetPFObject(node->GetObjectRef());
    return pf && pf->GetInterface(PFACTION_INTERFACE) != nullptr;
}

IPFActionList* GetPFActionListInterface(Animatable* anim) {
    return anim ? static_cast<IPFActionList*>(anim->GetInterface(PFACTIONLIST_INTERFACE)) : nullptr;
}

bool CanLeadToPFEvent(Object* obj) {
    if (!obj) return false;
    const bool source = obj->ClassID() == PF_SOURCE_CLASS_ID && Leader<GeomObject>(obj);
    const bool test = obj->GetInterface(PFTEST_INTERFACE) && Leader<HelperObject>(obj);
    return source || test;
}

INode* GetPFNextEvent(Object* from) {
    if (!CanLeadToPFEvent(from)) return nullptr;
    ReferenceTarget* t = from->SuperClassID() == GEOMOBJECT_CLASS_ID ? Leader<GeomObject>(from)->GetExtraRef(0)
                                                                      : Leader<HelperObject>(from)->GetExtraRef(0);
    return dynamic_cast<INode*>(t);
}

bool SetPFNextEvent(Object* from, INode* event) {
    if (!CanLeadToPFEvent(from)) return false;
    if (event && !GetPFActionListInterface(GetPFObject(event->GetObjectRef()))) return false;
    if (GetPFNextEvent(from) == event) return true;
    if (from->SuperClassID() == GEOMOBJECT_CLASS_ID) Leader<GeomObject>(from)->SetExtraRef(0, event);
    else Leader<HelperObject>(from)->SetExtraRef(0, event);
    from->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    return true;
}
