// Undoes the assignment of an IK solver to a referenced node: armed when the kind rule meets the solver,
// it undoes the assignment on the next controller event of the scene and disarms itself.
#pragma once

#include "host/scene/ISceneEventManager.h"

class IKGuard : public INodeEventCallback {
public:
    // The module's one guard.
    static IKGuard& Get();

    // The kind rule met an IK solver on referenced content. Arms the guard unless it is armed already or a
    // load is in progress (a load merges solvers the referenced file already had): registers the node
    // event callback and keeps the selection out of the undo buffer while the assignment completes.
    void Meet();
    bool IsArmed() const { return key_ != 0; }
    // Unregisters without acting (end of a session, tests).
    void Disarm();

    void ControllerStructured(NodeKeyTab& /*nodes*/) override { Fire(); }
    void ControllerOtherEvent(NodeKeyTab& /*nodes*/) override { Fire(); }

    static constexpr const MCHAR* kArmScript = L"undo off select selection";
    static constexpr const MCHAR* kUndoScript = L"actionMan.executeAction 0 \"40015\";undo on select selection";
    static constexpr const MCHAR* kMessage = L"An IK Solver can't be assigned to a refed node.";
    static constexpr const MCHAR* kTitle = L"Reference Error";

private:
    IKGuard() = default;
    // Tells the user, undoes the assignment, disarms.
    void Fire();

    CallbackKey key_ = 0;
    // The undo the guard runs sends controller events of its own; they must not fire it again.
    bool firing_ = false;
};
