// Registers every scene built-in with an interpreter.
#include "host/script/scene/SceneBuiltins.h"

#include "host/scene/Interface.h"
#include "host/script/Interpreter.h"
#include "host/script/scene/QuatValue.h"
#include "host/script/scene/SceneClasses.h"
#include "host/script/scene/SceneProperties.h"

namespace {

// getDir #name from the application's folders when the program configured none of its own.
void InstallHostFolders(Interpreter& in) {
    auto previous = in.Paths().directory;
    in.Paths().directory = [previous](const std::wstring& name) {
        std::wstring dir = previous ? previous(name) : std::wstring();
        if (!dir.empty()) return dir;
        Interface* ip = GetCOREInterface();
        if (name == L"maxroot") return ip->GetDir(APP_MAXROOT_DIR).str();
        if (name == L"temp") return ip->GetDir(APP_TEMP_DIR).str();
        if (name == L"network") return ip->GetDir(APP_NETWORK_DIR).str();
        // Folders below the program's own folder, as the host lays them out.
        static const wchar_t* kBelowRoot[] = {L"plugcfg", L"scripts", L"startupscripts", L"userscripts",
                                              L"ui", L"maxdata", L"plugins"};
        for (const wchar_t* sub : kBelowRoot)
            if (name == sub) {
                std::wstring root = ip->GetDir(APP_MAXROOT_DIR).str();
                return root.empty() ? root : root + L"/" + sub;
            }
        return std::wstring();
    };
}

} // namespace

void RegisterSceneBuiltins(Interpreter& interp) {
    RegisterQuatClasses(interp);
    RefreshSceneClasses(interp);
    RegisterNodeBuiltins(interp);
    RegisterSceneQueryBuiltins(interp);
    RegisterModifierBuiltins(interp);
    RegisterMaterialBuiltins(interp);
    RegisterLayerBuiltins(interp);
    RegisterSelectionSetBuiltins(interp);
    RegisterCustAttribBuiltins(interp);
    RegisterSceneClassBuiltins(interp);
    RegisterMeshBuiltins(interp);
    RegisterSplineBuiltins(interp);
    InstallHostFolders(interp);
}
