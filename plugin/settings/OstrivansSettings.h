// The module's user settings: keys of the section "Ostrivans" of the host's INI file, read and written
// through short script texts run by the host's script engine (the module never opens the file itself).
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/WStr.h"

// Keys.
constexpr const MCHAR* kIniPrintTimes = L"PrintTimes";
constexpr const MCHAR* kIniMergeForNetworkRender = L"MergeForNetworkRender";
constexpr const MCHAR* kIniHideDuplicatedNamesWarning = L"HideDuplicatedNamesWarning";
constexpr const MCHAR* kIniLastFileDir = L"LastFileDir";
constexpr const MCHAR* kIniDlgSizeX = L"DlgSizeX";
constexpr const MCHAR* kIniDlgSizeY = L"DlgSizeY";
constexpr const MCHAR* kIniDlgPosX = L"DlgPosX";
constexpr const MCHAR* kIniDlgPosY = L"DlgPosY";
constexpr const MCHAR* kIniAdvResetSelection = L"AdvReset_Selection";
// The Advanced Reset dialog's check boxes: the object categories, then the parameter groups.
constexpr const MCHAR* kIniAdvResetOptions[] = {
    L"AdvReset_UIGeometry",
    L"AdvReset_UIShapes",
    L"AdvReset_UILights",
    L"AdvReset_UICameras",
    L"AdvReset_UIHelpers",
    L"AdvReset_UISpaceWarps",
    L"AdvReset_UIParticleSystems",
    L"AdvReset_UIBoneObjects",
    L"AdvReset_UIBaseObject",
    L"AdvReset_UIModifiers",
    L"AdvReset_UITransform",
    L"AdvReset_UIMaterial",
    L"AdvReset_UIObjectProperties",
    L"AdvReset_UIParenting",
    L"AdvReset_UIName",
    L"AdvReset_UILayer",
    L"AdvReset_UIDeletedNodes",
};

// ---- the general accessors
// True, with value set, when the key holds a non-empty text (its leading decimal digits, 0 without any);
// false, with value untouched, when it is missing, empty or the read failed.
bool GetIniInt(const MCHAR* key, int& value);
// True, with value set, when the key holds a non-empty text; false, with value untouched, otherwise.
bool GetIniString(const MCHAR* key, MSTR& value);
void SetIniInt(const MCHAR* key, int value);
// The value goes into a verbatim script string, so backslashes are kept; a double quote would end it.
void SetIniString(const MCHAR* key, const MCHAR* value);

// ---- print times: read once per session, then cached
// 0 or 1. The first query reads the key, writing "0" when it is missing.
int PrintTimesSetting();
// Caches and writes the state; the cache is then authoritative.
void SetPrintTimesSetting(int state);
// Forgets the cached value: the next query reads the file again (a new session, a test).
void ResetPrintTimesCache();

// ---- network render
// The stored value is an integer greater than 0; missing or not a number reads as false.
bool MergeForNetworkRenderSetting();
void SetMergeForNetworkRenderSetting(bool state);
// The file is a network render job's scene: it lies in the folder the host writes job files into.
bool IsNetworkRenderJobFile(const MCHAR* fileName);

// ---- duplicated names warning
// True unless "HideDuplicatedNamesWarning" holds a non-zero value.
bool ShowDuplicatedNamesWarningSetting();
void SetShowDuplicatedNamesWarningSetting(bool show);

// ---- manager window and Advanced Reset dialog
// The window's size, the scaled default (720 x 400 times the UI scale factor, truncated) when missing or
// not positive.
int GetManagerDlgSizeX();
int GetManagerDlgSizeY();
// The window's position, the scaled default (200 times the UI scale factor) only when missing.
int GetManagerDlgPosX();
int GetManagerDlgPosY();
// 2 (Selected Nodes) only for a stored 2; 1 (Selected References) otherwise.
int GetAdvResetSelection();
// A check box of the Advanced Reset dialog: checked unless the key holds 0.
bool GetAdvResetOption(const MCHAR* key);

// ---- the script texts, for the record and for tests
MSTR IniReadScript(const MCHAR* key);
MSTR IniWriteIntScript(const MCHAR* key, int value);
MSTR IniWriteStringScript(const MCHAR* key, const MCHAR* value);
