// The host's undo system: restore objects collected while holding, named undo steps, undo and redo.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/WStr.h"

// One undoable change. The hold owns it from Put on and deletes it when the step leaves the undo or
// redo buffer; a restore object that keeps a deleted target alive frees it in its destructor.
class RestoreObj {
public:
    virtual ~RestoreObj() = default;
    // Puts back the state before the change; isUndo is true for a user undo, false for Cancel.
    virtual void Restore(int isUndo) = 0;
    // Applies the change again.
    virtual void Redo() = 0;
    virtual int Size() { return 1; }
    // The enclosing hold has been accepted or cancelled.
    virtual void EndHold() {}
    virtual MSTR Description() { return L"---"; }
};

class Hold {
public:
    Hold();
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

    // Begins a hold; holds nest, and only the outermost Accept makes an undo step.
    void Begin();
    // Ends the innermost hold keeping its changes; the outermost one becomes the undo step "name".
    void Accept(const MCHAR* name);
    // Ends the innermost hold, restoring (isUndo false) and discarding what was put since its Begin.
    void Cancel();
    // Restores what the current hold collected without ending it (the objects stay in the hold).
    void Restore();
    // Records a change. Takes ownership; when not holding, the object is deleted at once.
    void Put(RestoreObj* rob);
    // True while a hold is open and not suspended, and no undo or redo is running.
    int Holding() const;
    // Suspend/Resume nest: Put is ignored (the object deleted) while suspended.
    void Suspend();
    void Resume();
    int IsSuspended() const;
    int Restoring() const;
    int Redoing() const;
    int RestoreOrRedoing() const { return Restoring() || Redoing(); }
    // Number of Begin calls not yet accepted or cancelled.
    int GetBeginDepth() const;

    // The undo buffer, as the host's undo and redo commands drive it.
    bool Undo();
    bool Redo();
    int NumUndoSteps() const;
    int NumRedoSteps() const;
    // Name of the step that Undo (index 0 = newest) or Redo would run.
    MSTR UndoStepName(int i) const;
    MSTR RedoStepName(int i) const;
    // Drops every step, deleting its restore objects.
    void ClearUndoBuffer();
    // At most this many steps are kept; the oldest are dropped first.
    void SetMaxUndoSteps(int n);
    int GetMaxUndoSteps() const;
    // The hold's state and both buffers, newest step first: "undo \"name\" (object count)".
    MSTR Dump() const;

    // For tests: a fresh, empty undo system.
    void ResetForTests();

private:
    struct Impl;
    Impl* impl_;
};

// The one undo system of the process.
extern Hold theHold;
