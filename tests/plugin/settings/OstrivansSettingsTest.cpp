// The settings store against a real INI file through the host's script engine: the general accessors,
// the cached print-times setting, the network-render and duplicated-names settings, the window keys.
#include "plugin/settings/OstrivansSettings.h"
#include "host/scene/HostServices.h"
#include "host/scene/Interface.h"
#include "host/script/IniFile.h"
#include "host/script/ScriptRuntime.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

namespace {

class OstrivansSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        file = std::filesystem::temp_directory_path() /
               ("ostrivans-settings-" + std::string(info->name()) + ".ini");
        std::filesystem::remove(file);
        previous = Paths().iniFile;
        Paths().iniFile = file.wstring();
        ResetPrintTimesCache();
        ScriptRuntime::Get().ClearQuietErrorLog();
    }
    void TearDown() override {
        Paths().iniFile = previous;
        ResetPrintTimesCache();
        GetCOREInterface()->Services().SetUIScaleFactor(1.0f);
        std::filesystem::remove(file);
    }
    static ScriptHostPaths& Paths() { return ScriptRuntime::Get().Interp().Paths(); }
    // What the file holds, written and read past the store.
    void Put(const wchar_t* key, const wchar_t* value) {
        ASSERT_TRUE(IniFile::Write(file.wstring(), L"Ostrivans", key, value));
    }
    std::wstring Stored(const wchar_t* key) const { return IniFile::Read(file.wstring(), L"Ostrivans", key); }
    bool Has(const wchar_t* key) const {
        IniFile ini;
        ini.Load(file);
        return ini.Has(L"Ostrivans", key);
    }

    std::filesystem::path file;
    std::wstring previous;
};

TEST_F(OstrivansSettingsTest, GeneralReadsTakeOnlyNonEmptyTexts) {
    struct Case {
        const wchar_t* stored; // null: key missing
        bool found;
        int value;
    };
    const Case cases[] = {
        {nullptr, false, 99}, {L"", false, 99},     {L"42", true, 42},
        {L"-7", true, -7},    {L"12abc", true, 12}, {L"abc", true, 0},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(file);
        if (c.stored) Put(L"Key", c.stored);
        int v = 99;
        EXPECT_EQ(GetIniInt(L"Key", v), c.found) << (c.stored ? WStr(c.stored).ToUTF8() : "missing");
        EXPECT_EQ(v, c.value);
        MSTR s = L"untouched";
        EXPECT_EQ(GetIniString(L"Key", s), c.found);
        EXPECT_EQ(s, c.found ? MSTR(c.stored) : MSTR(L"untouched"));
    }
    // Without a settings file the script fails quietly: the key reads as missing, and the error is logged.
    Paths().iniFile.clear();
    int v = 5;
    EXPECT_FALSE(GetIniInt(L"Key", v));
    EXPECT_EQ(v, 5);
    EXPECT_EQ(ScriptRuntime::Get().QuietErrorLog().size(), 1u);
}

TEST_F(OstrivansSettingsTest, WritesKeepBackslashesAndSigns) {
    SetIniString(kIniLastFileDir, L"C:\\Scenes\\Props\\");
    EXPECT_EQ(Stored(kIniLastFileDir), L"C:\\Scenes\\Props\\");
    MSTR back;
    ASSERT_TRUE(GetIniString(kIniLastFileDir, back));
    // Written back as read, it stays the same.
    SetIniString(kIniLastFileDir, back.c_str());
    EXPECT_EQ(Stored(kIniLastFileDir), L"C:\\Scenes\\Props\\");
    SetIniInt(kIniDlgPosX, -40);
    EXPECT_EQ(Stored(kIniDlgPosX), L"-40");
    EXPECT_TRUE(ScriptRuntime::Get().QuietErrorLog().empty());
}

TEST_F(OstrivansSettingsTest, PrintTimesIsReadOnceAndWrittenAtTheFirstRead) {
    ASSERT_FALSE(Has(kIniPrintTimes));
    EXPECT_EQ(PrintTimesSetting(), 0);
    EXPECT_TRUE(Has(kIniPrintTimes));
    EXPECT_EQ(Stored(kIniPrintTimes), L"0");
    // Cached: a change of the file is not seen in this session.
    Put(kIniPrintTimes, L"1");
    EXPECT_EQ(PrintTimesSetting(), 0);
    ResetPrintTimesCache();
    EXPECT_EQ(PrintTimesSetting(), 1);
    // The setter writes and makes the cache authoritative.
    SetPrintTimesSetting(0);
    EXPECT_EQ(Stored(kIniPrintTimes), L"0");
    Put(kIniPrintTimes, L"1");
    EXPECT_EQ(PrintTimesSetting(), 0);
    ResetPrintTimesCache();
    SetPrintTimesSetting(1);
    Put(kIniPrintTimes, L"0");
    EXPECT_EQ(PrintTimesSetting(), 1);
}

TEST_F(OstrivansSettingsTest, NetworkRenderNeedsAPositiveInteger) {
    EXPECT_FALSE(MergeForNetworkRenderSetting());
    const std::pair<const wchar_t*, bool> cases[] = {{L"1", true},   {L"5", true},    {L"0", false},
                                                     {L"-3", false}, {L"abc", false}, {L"", false}};
    for (const auto& [stored, on] : cases) {
        Put(kIniMergeForNetworkRender, stored);
        EXPECT_EQ(MergeForNetworkRenderSetting(), on) << WStr(stored).ToUTF8();
    }
    SetMergeForNetworkRenderSetting(true);
    EXPECT_EQ(Stored(kIniMergeForNetworkRender), L"1");
    EXPECT_TRUE(MergeForNetworkRenderSetting());
    SetMergeForNetworkRenderSetting(false);
    EXPECT_EQ(Stored(kIniMergeForNetworkRender), L"0");
    EXPECT_FALSE(MergeForNetworkRenderSetting());
    EXPECT_TRUE(ScriptRuntime::Get().QuietErrorLog().empty());
}

TEST_F(OstrivansSettingsTest, AnyNonZeroHideValueHidesTheDuplicatedNamesWarning) {
    EXPECT_TRUE(ShowDuplicatedNamesWarningSetting());
    const std::pair<const wchar_t*, bool> cases[] = {{L"0", true}, {L"2", false}, {L"1", false}, {L"", true}};
    for (const auto& [stored, show] : cases) {
        Put(kIniHideDuplicatedNamesWarning, stored);
        EXPECT_EQ(ShowDuplicatedNamesWarningSetting(), show) << WStr(stored).ToUTF8();
    }
    SetShowDuplicatedNamesWarningSetting(false);
    EXPECT_EQ(Stored(kIniHideDuplicatedNamesWarning), L"1");
    SetShowDuplicatedNamesWarningSetting(true);
    EXPECT_EQ(Stored(kIniHideDuplicatedNamesWarning), L"0");
}

TEST_F(OstrivansSettingsTest, WindowKeysFallBackToScaledDefaults) {
    GetCOREInterface()->Services().SetUIScaleFactor(1.25f);
    EXPECT_EQ(GetManagerDlgSizeX(), 900);
    EXPECT_EQ(GetManagerDlgSizeY(), 500);
    EXPECT_EQ(GetManagerDlgPosX(), 250);
    EXPECT_EQ(GetManagerDlgPosY(), 250);
    // Sizes must be positive; positions are taken as they are.
    Put(kIniDlgSizeX, L"0");
    Put(kIniDlgSizeY, L"-4");
    Put(kIniDlgPosX, L"-40");
    Put(kIniDlgPosY, L"0");
    EXPECT_EQ(GetManagerDlgSizeX(), 900);
    EXPECT_EQ(GetManagerDlgSizeY(), 500);
    EXPECT_EQ(GetManagerDlgPosX(), -40);
    EXPECT_EQ(GetManagerDlgPosY(), 0);
    Put(kIniDlgSizeX, L"1000");
    EXPECT_EQ(GetManagerDlgSizeX(), 1000);

    EXPECT_EQ(GetAdvResetSelection(), 1);
    Put(kIniAdvResetSelection, L"3");
    EXPECT_EQ(GetAdvResetSelection(), 1);
    Put(kIniAdvResetSelection, L"2");
    EXPECT_EQ(GetAdvResetSelection(), 2);
    const MCHAR* option = kIniAdvResetOptions[16];
    EXPECT_EQ(WStr(option), WStr(L"AdvReset_UIDeletedNodes"));
    EXPECT_TRUE(GetAdvResetOption(option));
    Put(option, L"0");
    EXPECT_FALSE(GetAdvResetOption(option));
    Put(option, L"7");
    EXPECT_TRUE(GetAdvResetOption(option));
}

} // namespace
