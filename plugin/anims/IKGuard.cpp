// The IK guard.
#include "plugin/anims/IKGuard.h"

#include "host/scene/HostServices.h"
#include "host/scene/Interface.h"
#include "host/script/ScriptRuntime.h"
#include "plugin/frame/OperationCode.h"

IKGuard& IKGuard::Get() {
    static IKGuard guard;
    return guard;
}

void IKGuard::Meet() {
    if (IsArmed() || GetCurrentOperation() == OperationCode::Load) return;
    key_ = GetCOREInterface()->GetISceneEventManager()->RegisterCallback(this);
    ExecuteMAXScriptScript(kArmScript, MAXScript::ScriptSource::NonEmbedded);
}

void IKGuard::Disarm() {
    if (!IsArmed()) return;
    const CallbackKey key = key_;
    key_ = 0;
    GetCOREInterface()->GetISceneEventManager()->UnRegisterCallback(key);
}

void IKGuard::Fire() {
    if (!IsArmed() || firing_) return;
    firing_ = true;
    Interface* ip = GetCOREInterface();
    if (!ip->GetQuietMode()) ip->Services().MessageBox(kMessage, kTitle, MB_OK | MB_ICONEXCLAMATION);
    ExecuteMAXScriptScript(kUndoScript, MAXScript::ScriptSource::NonEmbedded);
    Disarm();
    firing_ = false;
}
