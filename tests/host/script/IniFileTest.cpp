// INI settings files: reading as the host does, writing one line and UTF-16 files (their round trips
// through scripts are the e2e script ini_roundtrip.ms).
#include "host/script/IniFile.h"
#include "host/core/WStr.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class Ini : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("ostrivans-h5-ini-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
    }
    void TearDown() override { fs::remove_all(root); }

    void WriteBytes(const fs::path& p, const std::string& bytes) {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
    std::string ReadBytes(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    std::wstring Wide(const fs::path& p) { return WStr::FromUTF8(p.string()).str(); }

    fs::path root;
};

} // namespace

TEST_F(Ini, ReadsSectionsAndKeysAsTheHostDoes) {
    fs::path file = root / "host.ini";
    WriteBytes(file,
               "; settings\n[Ostrivans]\n PrintTimes = 1 \nQuoted=\"  padded  \"\n[other]\nPrintTimes=7\n"
               "[OSTRIVANS]\nLate=1\n");
    IniFile ini;
    ASSERT_TRUE(ini.Load(file));
    EXPECT_EQ(ini.Get(L"ostrivans", L"printtimes"), L"1");
    EXPECT_EQ(ini.Get(L"Ostrivans", L"Quoted"), L"  padded  ");
    EXPECT_EQ(ini.Get(L"Other", L"PRINTTIMES"), L"7");
    EXPECT_EQ(ini.Get(L"Ostrivans", L"Missing"), L"");
    EXPECT_EQ(ini.Get(L"NoSection", L"PrintTimes"), L"");
    EXPECT_FALSE(ini.Has(L"Ostrivans", L"Late")); // the first section of a name is the one read
    EXPECT_EQ(ini.Sections(), (std::vector<std::wstring>{L"Ostrivans", L"other", L"OSTRIVANS"}));
    EXPECT_EQ(ini.Keys(L"OSTRIVANS"), (std::vector<std::wstring>{L"PrintTimes", L"Quoted"}));
}

TEST_F(Ini, WritingChangesOneLineAndKeepsTheRest) {
    fs::path file = root / "host.ini";
    WriteBytes(file, "; keep me\r\n[Ostrivans]\r\nPrintTimes=0\r\n\r\n; between\r\n[Other]\r\nX=1\r\n");
    ASSERT_TRUE(IniFile::Write(Wide(file), L"ostrivans", L"PrintTimes", L"1"));
    ASSERT_TRUE(IniFile::Write(Wide(file), L"Ostrivans", L"DlgSizeX", L"720"));
    ASSERT_TRUE(IniFile::Write(Wide(file), L"New", L"K", L"v"));
    EXPECT_EQ(ReadBytes(file), "; keep me\r\n[Ostrivans]\r\nPrintTimes=1\r\nDlgSizeX=720\r\n\r\n; between\r\n"
                               "[Other]\r\nX=1\r\n[New]\r\nK=v\r\n");
}

TEST_F(Ini, MissingFileAndFolderAreCreated) {
    fs::path file = root / "deep" / "folder" / "host.ini";
    EXPECT_EQ(IniFile::Read(Wide(file), L"Ostrivans", L"PrintTimes"), L"");
    EXPECT_FALSE(fs::exists(file)); // reading creates nothing
    ASSERT_TRUE(IniFile::Write(Wide(file), L"Ostrivans", L"PrintTimes", L"0"));
    EXPECT_EQ(ReadBytes(file), "[Ostrivans]\nPrintTimes=0\n");
}

TEST_F(Ini, Utf16FilesStayUtf16AndNonAsciiSurvives) {
    fs::path file = root / "wide.ini";
    std::u16string text = u"[Ostrivans]\r\nLastFileDir=C:\\Szenen\\Häuser\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    WriteBytes(file, bytes);
    EXPECT_EQ(IniFile::Read(Wide(file), L"Ostrivans", L"LastFileDir"), L"C:\\Szenen\\Häuser");
    ASSERT_TRUE(IniFile::Write(Wide(file), L"Ostrivans", L"PrintTimes", L"1"));
    std::string after = ReadBytes(file);
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ(after.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(IniFile::Read(Wide(file), L"Ostrivans", L"LastFileDir"), L"C:\\Szenen\\Häuser");
    EXPECT_EQ(IniFile::Read(Wide(file), L"Ostrivans", L"PrintTimes"), L"1");
}
