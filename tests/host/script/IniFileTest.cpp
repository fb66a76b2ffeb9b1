// INI settings files: reading as the host does, writing one line and UTF-16 files (their round trips
// through scripts are the e2e script ini_roundtrip.ms).
#include "host/script/IniFile.h"
#include "host/core/WStr.h"
#include "tests/support/ScratchDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class Ini : public ::testing::Test {
protected:
    void WriteBytes(const fs::path& p, const std::string& bytes) {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
    std::string ReadBytes(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    std::wstring Wide(const fs::path& p) { return WStr::FromUTF8(p.string()).str(); }

    ScratchDir scratch{"ostrivans-ini"};
    const fs::path root = scratch.Path();
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

// Bytes that are not text (a Latin-1 path, an unpaired UTF-16 surrogate, a stray byte after a byte order
// mark, a last line without its end) come back exactly after a write elsewhere in the file; the Latin-1
// value reads as the text an older tool meant.
TEST_F(Ini, BytesThatAreNotTextSurviveAWriteElsewhere) {
    const std::string utf16Lone("\xFF\xFE[\0A\0]\0\n\0K\0=\0\x00\xD8\n\0", 18);
    const struct {
        std::string before;
        std::string appended; // what writing [New] K=v adds
    } cases[] = {
        {"[Old]\r\nPath=C:\\Sc\xE8nes\\caf\xE9\r\n", "[New]\r\nK=v\r\n"},
        {"\xEF\xBB\xBF[Old]\nPath=\xFF\xC3\n;\x80 note", "\n[New]\nK=v\n"},
        {utf16Lone, std::string("[\0N\0e\0w\0]\0\n\0K\0=\0v\0\n\0", 20)},
    };
    for (const auto& c : cases) {
        fs::path file = root / "old.ini";
        WriteBytes(file, c.before);
        ASSERT_TRUE(IniFile::Write(Wide(file), L"New", L"K", L"v"));
        EXPECT_EQ(ReadBytes(file), c.before + c.appended);
    }
    WriteBytes(root / "old.ini", cases[0].before);
    EXPECT_EQ(IniFile::Read(Wide(root / "old.ini"), L"Old", L"Path"), L"C:\\Sc\u00E8nes\\caf\u00E9");
}

// A write replaces the file by a rename (a new inode, never a half-written file) and keeps its permissions;
// links and failures of the atomic writer are the chunk file tests'.
TEST_F(Ini, WritesReplaceTheFileKeepingItsMode) {
    fs::path real = root / "host.ini";
    WriteBytes(real, "[Ostrivans]\nPrintTimes=0\n");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    struct stat before {};
    ASSERT_EQ(::stat(real.c_str(), &before), 0);
    ASSERT_TRUE(IniFile::Write(Wide(real), L"Ostrivans", L"PrintTimes", L"1"));
    struct stat after {};
    ASSERT_EQ(::stat(real.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadBytes(real), "[Ostrivans]\nPrintTimes=1\n");
}
