// The Particle Flow interfaces the host publishes: the action list of an event, whether an action node is
// a test, which object of a pipeline is the particle flow object, and the connections that lead particles
// from a source or a test to an event.
#pragma once

#include "host/core/BaseInterface.h"
#include "host/core/MaxTypes.h"

class Animatable;
class INode;
class Object;

// Answered by particle flow tests (actions that split the particle stream).
constexpr Interface_ID PFTEST_INTERFACE(0x74F93D02, 0x1EB34500);
// Answered by every particle flow action (tests included).
constexpr Interface_ID PFACTION_INTERFACE(0x74F93D03, 0x1EB34500);
// Answered by particle flow events: their ordered list of actions.
constexpr Interface_ID PFACTIONLIST_INTERFACE(0x74F93D01, 0x1EB34500);

constexpr Class_ID PF_EVENT_CLASS_ID(0x74F93B03, 0x1EB34300);

// The particle flow object obj stands for: derived objects are followed down to the object at the bottom
// of their stack; any other object is its own. Null for null.
Object* GetPFObject(Object* obj);

// An event's actions, each a node whose object is an action, in the order the event runs them; each is
// active or not. Every edit notifies REFMSG_CHANGE from the event and is undoable.
class IPFActionList : public BaseInterface {
public:
    Interface_ID GetID() override { return PFACTIONLIST_INTERFACE; }
    BaseInterface* GetInterface(Interface_ID id) override {
        return id == PFACTIONLIST_INTERFACE ? this : BaseInterface::GetInterface(id);
    }

    virtual int NumActions() = 0;
    // Null outside 0..NumActions()-1.
    virtual INode* GetAction(int index) = 0;
    // -1 when the action is not in the list.
    virtual int FindAction(INode* action) = 0;
    // Puts an active action at index (clamped to the list's end). False, nothing changed, for a node that
    // is no action or is in the list already.
    virtual bool InsertAction(INode* action, int index) = 0;
    bool AppendAction(INode* action) { return InsertAction(action, NumActions()); }
    // False for an index outside the list.
    virtual bool RemoveAction(int index) = 0;
    virtual bool IsActionActive(int index) = 0;
    // False for an index outside the list; true also when the action already was in that state.
    virtual bool ActivateAction(int index, bool active) = 0;

    // True when node is an action node whose particle flow object is a test.
    static bool IsTest(INode* node);
    // True when node's object is a particle flow action.
    static bool IsAction(INode* node);
};

// The event's action list, null for anything that is no event.
IPFActionList* GetPFActionListInterface(Animatable* anim);
// The event node a source or a test leads particles to; null when unconnected or from leads nowhere.
INode* GetPFNextEvent(Object* from);
// Connects from (a source or a test) to the event node, or disconnects it with a null event; undoable,
// notifies REFMSG_CHANGE from from. False, nothing changed, when from is neither a source nor a test or the
// node holds no event.
bool SetPFNextEvent(Object* from, INode* event);
// True for a source or a test: an object that can lead particles to an event.
bool CanLeadToPFEvent(Object* obj);
