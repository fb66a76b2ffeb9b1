// The settings store against a real INI file through the host's script engine: the general accessors,
// the cached print-times setting, the network-render and duplicated-names settings, the window keys.
#include "plugin/settings/OstrivansSettings.h"
#include "host/scene/HostServices.h"
#include "host/scene/Interface.h"
#include "host/script/IniFile.h"
#include "host/script/ScriptRuntime.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

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

    std::filesystem::path file;
    std::wstring previous;
};

// Each reader against what the file holds (null: the key is missing), the UI scaled by 1.25.
TEST_F(OstrivansSettingsTest, EachReaderTakesItsValueOrFallsBack) {
    // The general read: the value found, or minus the untouched one (99) when the key counts as missing.
    auto iniInt = [] {
        int v = 99;
        return GetIniInt(L"Key", v) ? v : -v;
    };
    const MCHAR* option = kIniAdvResetOptions[16];
    EXPECT_EQ(WStr(option), WStr(L"AdvReset_UIDeletedNodes"));
    struct Row {
        const wchar_t* key;
        const wchar_t* stored;
        std::function<int()> read;
        int expected;
    };
    const std::function<int()> net = MergeForNetworkRenderSetting, show = ShowDuplicatedNamesWarningSetting;
    const std::function<int()> opt = [option] { return int(GetAdvResetOption(option)); };
    const wchar_t *netKey = kIniMergeForNetworkRender, *hideKey = kIniHideDuplicatedNamesWarning;
    const Row rows[] = {
        {L"Key", nullptr, iniInt, -99}, {L"Key", L"", iniInt, -99}, {L"Key", L"42", iniInt, 42},
        {L"Key", L"-7", iniInt, -7}, {L"Key", L"12abc", iniInt, 12}, {L"Key", L"abc", iniInt, 0},
        // Network render needs a positive integer; any non-zero hide value hides the warning.
        {netKey, nullptr, net, 0}, {netKey, L"1", net, 1}, {netKey, L"5", net, 1}, {netKey, L"0", net, 0},
        {netKey, L"-3", net, 0}, {netKey, L"abc", net, 0}, {netKey, L"", net, 0},
        {hideKey, nullptr, show, 1}, {hideKey, L"0", show, 1}, {hideKey, L"2", show, 0},
        {hideKey, L"1", show, 0}, {hideKey, L"", show, 1},
        // Window sizes must be positive; positions are taken as they are.
        {kIniDlgSizeX, nullptr, GetManagerDlgSizeX, 900}, {kIniDlgSizeX, L"0", GetManagerDlgSizeX, 900},
        {kIniDlgSizeX, L"1000", GetManagerDlgSizeX, 1000}, {kIniDlgSizeY, nullptr, GetManagerDlgSizeY, 500},
        {kIniDlgSizeY, L"-4", GetManagerDlgSizeY, 500}, {kIniDlgPosX, nullptr, GetManagerDlgPosX, 250},
        {kIniDlgPosX, L"-40", GetManagerDlgPosX, -40}, {kIniDlgPosY, nullptr, GetManagerDlgPosY, 250},
        {kIniDlgPosY, L"0", GetManagerDlgPosY, 0}, {kIniAdvResetSelection, nullptr, GetAdvResetSelection, 1},
        {kIniAdvResetSelection, L"3", GetAdvResetSelection, 1}, {kIniAdvResetSelection, L"2", GetAdvResetSelection, 2},
        {option, nullptr, opt, 1}, {option, L"0", opt, 0}, {option, L"7", opt, 1},
        // A text that is no number reads as its leading digits, none giving 0.
        {kIniDlgSizeX, L"abc", GetManagerDlgSizeX, 900}, {kIniDlgPosX, L"abc", GetManagerDlgPosX, 0},
        {hideKey, L"abc", show, 1}, {option, L"abc", opt, 0}, {kIniAdvResetSelection, L"2x", GetAdvResetSelection, 2},
    };
    GetCOREInterface()->Services().SetUIScaleFactor(1.25f);
    for (const Row& r : rows) {
        std::filesystem::remove(file);
        if (r.stored) Put(r.key, r.stored);
        EXPECT_EQ(r.read(), r.expected) << WStr(r.key).ToUTF8() << " = " << (r.stored ? WStr(r.stored).ToUTF8() : "missing");
    }
    // A string read leaves the value alone unless the text is there.
    for (const wchar_t* stored : {L"", L"C:\\Scenes\\"}) {
        Put(L"Key", stored);
        MSTR s = L"untouched";
        EXPECT_EQ(GetIniString(L"Key", s), *stored != 0);
        EXPECT_EQ(s, MSTR(*stored ? stored : L"untouched"));
    }
    EXPECT_TRUE(ScriptRuntime::Get().QuietErrorLog().empty());
    // Without a settings file the script fails quietly: the key reads as missing, and the error is logged.
    Paths().iniFile.clear();
    EXPECT_EQ(iniInt(), -99);
    EXPECT_EQ(ScriptRuntime::Get().QuietErrorLog().size(), 1u);
}

TEST_F(OstrivansSettingsTest, EachWriterStoresItsText) {
    struct Row {
        std::function<void()> write;
        const wchar_t* key;
        const wchar_t* stored;
    };
    const Row rows[] = {
        {[] { SetIniString(kIniLastFileDir, L"C:\\Scenes\\Props\\"); }, kIniLastFileDir, L"C:\\Scenes\\Props\\"},
        // Written back as read, it stays the same.
        {[] {
             MSTR back;
             GetIniString(kIniLastFileDir, back);
             SetIniString(kIniLastFileDir, back.c_str());
         },
         kIniLastFileDir, L"C:\\Scenes\\Props\\"},
        {[] { SetIniInt(kIniDlgPosX, -40); }, kIniDlgPosX, L"-40"},
        {[] { SetMergeForNetworkRenderSetting(true); }, kIniMergeForNetworkRender, L"1"},
        {[] { SetMergeForNetworkRenderSetting(false); }, kIniMergeForNetworkRender, L"0"},
        {[] { SetShowDuplicatedNamesWarningSetting(false); }, kIniHideDuplicatedNamesWarning, L"1"},
        {[] { SetShowDuplicatedNamesWarningSetting(true); }, kIniHideDuplicatedNamesWarning, L"0"},
    };
    for (const Row& r : rows) {
        r.write();
        EXPECT_EQ(Stored(r.key), r.stored) << WStr(r.key).ToUTF8();
    }
    EXPECT_TRUE(ScriptRuntime::Get().QuietErrorLog().empty());
}

TEST_F(OstrivansSettingsTest, PrintTimesIsReadOnceAndWrittenAtTheFirstRead) {
    EXPECT_EQ(Stored(kIniPrintTimes), L"");
    EXPECT_EQ(PrintTimesSetting(), 0);
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
    // A value that is no number is found (and kept): it reads as 0.
    ResetPrintTimesCache();
    Put(kIniPrintTimes, L"on");
    EXPECT_EQ(PrintTimesSetting(), 0);
    EXPECT_EQ(Stored(kIniPrintTimes), L"on");
}

// A network render job's scene is a file in the host's job folder, whatever spelling names it.
TEST_F(OstrivansSettingsTest, ANetworkJobFileLiesInTheHostsJobFolder) {
    const std::wstring jobs = GetCOREInterface()->GetDir(APP_NETWORK_DIR).str();
    const std::pair<std::wstring, bool> rows[] = {
        {jobs + L"/sh010.max", true},      {jobs + L"/./sub/../sh010.max", true}, {jobs + L"/sub/sh010.max", false},
        {jobs + L"-other/sh010.max", false}, {L"/scenes/sh010.max", false},    {L"", false}};
    for (const auto& [file, job] : rows) EXPECT_EQ(IsNetworkRenderJobFile(file.c_str()), job) << WStr(file).ToUTF8();
}

} // namespace
