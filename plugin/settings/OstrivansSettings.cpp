// The module's user settings in the host's INI file.
#include "plugin/settings/OstrivansSettings.h"

#include "host/core/FPValue.h"
#include "host/scene/HostServices.h"
#include "host/scene/Interface.h"
#include "host/script/ScriptRuntime.h"

#include <cwchar>
#include <filesystem>

namespace {

// The print-times setting is asked for at every timed step, so it is read once and then cached.
struct PrintTimesCache {
    int value = 0;
    bool mustRead = true;
};

PrintTimesCache& PrintTimesState() {
    static PrintTimesCache cache;
    return cache;
}

// Errors are quiet: a failed read is a missing key and the caller's default applies; a failed write is
// lost without a message.
bool Run(const MSTR& script, FPValue* result) {
    return ExecuteMAXScriptScript(script.c_str(), MAXScript::ScriptSource::NonEmbedded, TRUE, result, TRUE);
}

// The key's text when the read gave a non-empty string.
bool ReadText(const MCHAR* key, MSTR& text) {
    FPValue result;
    if (!Run(IniReadScript(key), &result)) return false;
    if (result.type != TYPE_STRING && result.type != TYPE_TSTR) return false;
    const MCHAR* s = result.GetStr();
    if (!s || !*s) return false;
    text = s;
    return true;
}

int Scaled(int pixels) {
    return static_cast<int>(static_cast<float>(pixels) * GetCOREInterface()->Services().GetUIScaleFactor());
}

int ReadSize(const MCHAR* key, int defaultPixels) {
    int v = 0;
    return GetIniInt(key, v) && v > 0 ? v : Scaled(defaultPixels);
}

int ReadPosition(const MCHAR* key) {
    int v = 0;
    return GetIniInt(key, v) ? v : Scaled(200);
}

} // namespace

// ---- the script texts

MSTR IniReadScript(const MCHAR* key) {
    return MSTR(L"GetINISetting (getMAXIniFile()) \"Ostrivans\" \"") + key + L"\";";
}

MSTR IniWriteIntScript(const MCHAR* key, int value) {
    return MSTR(L"SetINISetting (getMAXIniFile()) \"Ostrivans\" \"") + key + L"\" \"" +
           WStr::Format(L"%d", value) + L"\";";
}

MSTR IniWriteStringScript(const MCHAR* key, const MCHAR* value) {
    return MSTR(L"SetINISetting (getMAXIniFile()) \"Ostrivans\" \"") + key + L"\" @\"" +
           (value ? value : L"") + L"\";";
}

// ---- the general accessors

bool GetIniInt(const MCHAR* key, int& value) {
    MSTR text;
    if (!ReadText(key, text)) return false;
    value = static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
    return true;
}

bool GetIniString(const MCHAR* key, MSTR& value) {
    return ReadText(key, value);
}

void SetIniInt(const MCHAR* key, int value) {
    Run(IniWriteIntScript(key, value), nullptr);
}

void SetIniString(const MCHAR* key, const MCHAR* value) {
    Run(IniWriteStringScript(key, value), nullptr);
}

// ---- print times

int PrintTimesSetting() {
    PrintTimesCache& cache = PrintTimesState();
    if (!cache.mustRead) return cache.value;
    cache.mustRead = false;
    int v = 0;
    if (GetIniInt(kIniPrintTimes, v)) {
        cache.value = v;
        return v;
    }
    // Written at the first read, so the user finds the key to switch on.
    SetIniInt(kIniPrintTimes, 0);
    cache.value = 0;
    return 0;
}

void SetPrintTimesSetting(int state) {
    PrintTimesCache& cache = PrintTimesState();
    cache.value = state;
    SetIniInt(kIniPrintTimes, state);
    cache.mustRead = false;
}

void ResetPrintTimesCache() {
    PrintTimesState() = PrintTimesCache();
}

// ---- network render

bool MergeForNetworkRenderSetting() {
    // A missing key gives -1 and a text that is no number gives undefined, which is no integer.
    FPValue result;
    if (!Run(L"OVMFNR=(GetINISetting (getMAXIniFile()) \"Ostrivans\" \"MergeForNetworkRender\");"
             L"if OVMFNR==\"\" then -1 else OVMFNR as integer",
             &result))
        return false;
    return result.type == TYPE_INT && result.GetInt() > 0;
}

void SetMergeForNetworkRenderSetting(bool state) {
    Run(MSTR(L"SetINISetting (getMAXIniFile()) \"Ostrivans\" \"MergeForNetworkRender\" \"") +
            (state ? L"1" : L"0") + L"\"",
        nullptr);
}

bool IsNetworkRenderJobFile(const MCHAR* fileName) {
    if (!fileName || !*fileName) return false;
    const MSTR jobs = GetCOREInterface()->GetDir(APP_NETWORK_DIR);
    if (jobs.isNull()) return false;
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder = fs::weakly_canonical(fs::path(fileName).lexically_normal().parent_path(), ec);
    if (ec) return false;
    const fs::path jobFolder = fs::weakly_canonical(fs::path(jobs.str()).lexically_normal(), ec);
    return !ec && folder == jobFolder;
}

// ---- duplicated names warning

bool ShowDuplicatedNamesWarningSetting() {
    int hide = 0;
    if (!GetIniInt(kIniHideDuplicatedNamesWarning, hide)) return true;
    return hide == 0;
}

void SetShowDuplicatedNamesWarningSetting(bool show) {
    SetIniInt(kIniHideDuplicatedNamesWarning, show ? 0 : 1);
}

// ---- manager window and Advanced Reset dialog

int GetManagerDlgSizeX() {
    return ReadSize(kIniDlgSizeX, 720);
}

int GetManagerDlgSizeY() {
    return ReadSize(kIniDlgSizeY, 400);
}

int GetManagerDlgPosX() {
    return ReadPosition(kIniDlgPosX);
}

int GetManagerDlgPosY() {
    return ReadPosition(kIniDlgPosY);
}

int GetAdvResetSelection() {
    int v = 0;
    return GetIniInt(kIniAdvResetSelection, v) && v == 2 ? 2 : 1;
}

bool GetAdvResetOption(const MCHAR* key) {
    int v = 1;
    return !GetIniInt(key, v) || v != 0;
}
