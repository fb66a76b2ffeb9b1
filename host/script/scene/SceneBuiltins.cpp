// Registers every scene built-in with an interpreter.
#include "host/script/scene/SceneBuiltins.h"

#include "host/scene/IFileResolutionManager.h"
#include "host/scene/Interface.h"
#include "host/script/Interpreter.h"
#include "host/script/scene/QuatValue.h"
#include "host/script/scene/SceneClasses.h"
#include "host/script/scene/SceneProperties.h"

#include <utility>

namespace {

// getDir #name from the application's folders when the program configured none of its own. Program
// folders lie below the program's own folder; project folders below the first project folder (the
// program's folder when no project is set), laid out as the host lays out a new project.
void InstallHostFolders(Interpreter& in) {
    auto previous = in.Paths().directory;
    in.Paths().directory = [previous](const std::wstring& name) {
        std::wstring dir = previous ? previous(name) : std::wstring();
        if (!dir.empty()) return dir;
        Interface* ip = GetCOREInterface();
        if (name == L"maxroot") return ip->GetDir(APP_MAXROOT_DIR).str();
        if (name == L"temp") return ip->GetDir(APP_TEMP_DIR).str();
        if (name == L"network") return ip->GetDir(APP_NETWORK_DIR).str();
        static const std::pair<const wchar_t*, const wchar_t*> kBelowRoot[] = {
            {L"plugcfg", L"plugcfg"},       {L"scripts", L"scripts"},       {L"startupscripts", L"startupscripts"},
            {L"userscripts", L"userscripts"}, {L"usermacros", L"usermacros"}, {L"userstartupscripts", L"userstartupscripts"},
            {L"usericons", L"usericons"},   {L"ui", L"ui"},                 {L"maxdata", L"maxdata"},
            {L"plugins", L"plugins"},       {L"defaults", L"defaults"},     {L"fonts", L"fonts"},
            {L"help", L"help"},             {L"macroscripts", L"macroscripts"}};
        static const std::pair<const wchar_t*, const wchar_t*> kBelowProject[] = {
            {L"scene", L"scenes"},          {L"maxstart", L"scenes"},       {L"export", L"export"},
            {L"import", L"import"},         {L"renderoutput", L"renderoutput"}, {L"autoback", L"autoback"},
            {L"preview", L"previews"},      {L"vpost", L"vpost"},           {L"proxies", L"proxies"},
            {L"matlib", L"materiallibraries"}, {L"archives", L"archives"},  {L"downloads", L"downloads"},
            {L"image", L"sceneassets/images"}, {L"animations", L"sceneassets/animations"},
            {L"sound", L"sceneassets/sounds"}, {L"photometric", L"sceneassets/photometric"},
            {L"renderassets", L"sceneassets/renderassets"}};
        const std::wstring root = ip->GetDir(APP_MAXROOT_DIR).str();
        for (const auto& [key, sub] : kBelowRoot)
            if (name == key) return root.empty() ? root : root + L"/" + sub;
        for (const auto& [key, sub] : kBelowProject)
            if (name == key) {
                const auto& projects = IFileResolutionManager::GetInstance()->GetProjectFolders();
                const std::wstring project = projects.empty() ? root : projects.front().str();
                return project.empty() ? project : project + L"/" + sub;
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
    RegisterTransformBuiltins(interp);
    RegisterRotationFunctions(interp);
    RegisterControllerKeyBuiltins(interp);
    RegisterApplicationBuiltins(interp);
    RegisterAppDataBuiltins(interp);
    RegisterPersistentGlobals(interp);
    RegisterSceneClassBuiltins(interp);
    RegisterMeshBuiltins(interp);
    RegisterSplineBuiltins(interp);
    RegisterBooleanBuiltins(interp);
    RegisterSceneRefBuiltins(interp);
    RegisterContainerBuiltins(interp);
    RegisterBipedBuiltins(interp);
    RegisterCATBuiltins(interp);
    RegisterParticleBuiltins(interp);
    RegisterMorpherBuiltins(interp);
    RegisterReactionBuiltins(interp);
    RegisterDataChannelBuiltins(interp);
    RegisterLinkTransformBuiltins(interp);
    InstallHostFolders(interp);
}
