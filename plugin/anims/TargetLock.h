// Keeps a target from auto-deleting while its dependents move to another target.
#pragma once

#include "host/core/ReferenceTarget.h"

// Puts the lock back as it found it, also when the scope is left by an exception.
class TargetLock {
public:
    explicit TargetLock(ReferenceTarget* t) : t_(t), was_(t->TestAFlag(A_LOCK_TARGET)) { t_->SetAFlag(A_LOCK_TARGET); }
    ~TargetLock() {
        if (!was_) t_->ClearAFlag(A_LOCK_TARGET);
    }
    TargetLock(const TargetLock&) = delete;
    TargetLock& operator=(const TargetLock&) = delete;

private:
    ReferenceTarget* t_;
    bool was_;
};
