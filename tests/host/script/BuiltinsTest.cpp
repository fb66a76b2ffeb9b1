// Folder and file built-ins against a real folder (the other core built-ins are tested by scripts).
#include "host/core/Listener.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace {

class Builtins : public ::testing::Test {
protected:
    std::wstring Eval(const std::wstring& text) { return in.Run(text, L"b.ms").PrintForm(); }
    std::wstring Error(const std::wstring& text) {
        try {
            in.Run(text, L"b.ms");
        } catch (const ScriptError& e) {
            return e.Detail();
        }
        return L"(no error)";
    }

    ListenerCapture capture;
    Interpreter in;
};

std::wstring Wide(const std::filesystem::path& p) {
    return WStr::FromUTF8(p.string()).str();
}

} // namespace

TEST_F(Builtins, FoldersAndFiles) {
    namespace fs = std::filesystem;
    fs::path root = fs::temp_directory_path() / ("ostrivans-h5-files-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "scenes");
    for (const char* name : {"b.max", "A.MAX", "c.txt"})
        std::ofstream(root / "scenes" / name) << "x";
    std::wstring dir = Wide(root);
    in.Paths().directory = [&](const std::wstring& name) {
        return name == L"plugcfg" ? dir : std::wstring();
    };
    EXPECT_EQ(in.Run(L"getDir #plugCfg", L"b.ms").Str(), dir);
    EXPECT_FALSE(in.Run(L"getDir #temp", L"b.ms").Str().empty());
    EXPECT_EQ(Error(L"getDir #nowhere"), L"Runtime error: getDir: unknown folder #nowhere");

    // Backslashes and slashes both separate folders; the listing keeps the folder as written.
    in.SetGlobal(L"root", Value::String(dir));
    EXPECT_EQ(
        Eval(L"files = getFiles (root + \"\\\\scenes\\\\*.max\"); for f in files collect filenameFromPath f"),
        L"#(\"A.MAX\", \"b.max\")");
    EXPECT_EQ(Eval(L"(getFiles (root + \"/scenes/*.max\"))[1] == root + \"/scenes/A.MAX\""), L"true");
    EXPECT_EQ(Eval(L"#(doesFileExist (root + \"\\\\scenes\\\\c.txt\"), doesFileExist (root + \"/none\"))"),
              L"#(true, false)");
    EXPECT_EQ(
        Eval(L"#(deleteFile (root + \"\\\\scenes\\\\c.txt\"), deleteFile (root + \"\\\\scenes\\\\c.txt\"))"),
        L"#(true, false)");
    EXPECT_EQ(Eval(L"makeDir (root + \"\\\\new\\\\deep\") all:true"), L"true");
    EXPECT_TRUE(fs::is_directory(root / "new" / "deep"));
    fs::remove_all(root);
}
