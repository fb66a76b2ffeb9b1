// Core built-ins: output streams, classes, maths, arrays, strings, folders and files.
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

TEST_F(Builtins, FormatAndPrintToStreams) {
    EXPECT_EQ(
        Eval(
            L"ss = stringStream \"\"; format \"a=% b=%\\n\" 1 \"two\" to:ss; print #(3) to:ss; ss as string"),
        L"\"a=1 b=two\n#(3)\n\"");
    EXPECT_EQ(capture.Text(), WStr(L"")); // nothing reached the listener
    // A "%" with no argument left is written as it is; extra arguments are ignored.
    EXPECT_EQ(Eval(L"format \"100%\" ; format \"%-%\" 1 2 3"), L"OK");
    EXPECT_EQ(capture.Text(), WStr(L"100%1-2"));
    EXPECT_EQ(Eval(L"print 1.0"), L"1.0");
    EXPECT_EQ(Error(L"format 5"), L"Unable to convert: 5 to type: String");
    EXPECT_EQ(Error(L"format \"x\" to:5"), L"Runtime error: to: needs a stream, got: 5");
}

TEST_F(Builtins, ClassesOfCoreValues) {
    EXPECT_EQ(
        Eval(L"for v in #(1, 1.5, \"s\", #n, true, undefined, ok, #(), #{}, [0,0,0], red, print, unsupplied)"
             L" collect classOf v"),
        L"#(Integer, Float, String, Name, BooleanClass, UndefinedClass, OkClass, Array, BitArray, Point3, "
        L"Color, Primitive, UnsuppliedClass)");
    EXPECT_EQ(Eval(L"fn f = 1; classOf f"), L"MAXScriptFunction");
    EXPECT_EQ(Eval(L"#(superClassOf 1, superClassOf 2.0, superClassOf \"a\", superClassOf Integer)"),
              L"#(Number, Number, Value, Number)");
    EXPECT_EQ(Eval(L"#(isKindOf 1 Number, isKindOf 1 Integer, isKindOf 1 Float, isKindOf \"a\" Value)"),
              L"#(true, true, false, true)");
    EXPECT_EQ(Eval(L"classOf 1 == Integer"), L"true");
    EXPECT_EQ(Eval(L"point3 1 2 3"), L"[1,2,3]");
}

TEST_F(Builtins, Maths) {
    EXPECT_EQ(Eval(L"#(abs -3, abs -2.5, floor 2.7, ceil 2.1, sqrt 16, mod 7 3, mod 7.5 2, pow 2 3)"),
              L"#(3, 2.5, 2.0, 3.0, 4.0, 1, 1.5, 8)");
    EXPECT_EQ(Eval(L"#(amin #(3, 1, 2), amax 4 9 2, amin #())"), L"#(1, 9, undefined)");
    EXPECT_EQ(Error(L"sqrt \"x\""), L"Unable to convert: \"x\" to type: Float");
}

TEST_F(Builtins, RandomIsSeededAndInRange) {
    std::wstring first = Eval(L"seed 7; for i = 1 to 20 collect random 1 6");
    std::wstring again = Eval(L"seed 7; for i = 1 to 20 collect random 1 6");
    EXPECT_EQ(first, again);
    EXPECT_NE(first, Eval(L"seed 8; for i = 1 to 20 collect random 1 6"));
    EXPECT_EQ(Eval(L"seed 1; r = for i = 1 to 500 collect random 1 6; #(amin r, amax r)"), L"#(1, 6)");
    EXPECT_EQ(Eval(L"r = for i = 1 to 200 collect random 0.5 1.5; (amin r) >= 0.5 and (amax r) <= 1.5"),
              L"true");
    EXPECT_EQ(Eval(L"classOf (random 1.0 2.0)"), L"Float");
}

TEST_F(Builtins, Arrays) {
    EXPECT_EQ(Eval(L"a = #(3, 1, 2); sort a; a"), L"#(1, 2, 3)");
    EXPECT_EQ(Eval(L"sort #(\"b\", \"a\", \"c\")"), L"#(\"a\", \"b\", \"c\")");
    EXPECT_EQ(Eval(L"#(findItem #(5, 6, \"x\") \"x\", findItem #(5) 9, findItem #(1.0) 1)"), L"#(3, 0, 1)");
    EXPECT_EQ(Eval(L"a = #(1, 2, 3); deleteItem a 2; a"), L"#(1, 3)");
    EXPECT_EQ(Eval(L"a = #(1); join a #(2, 3); join a a; a"), L"#(1, 2, 3, 1, 2, 3)");
    EXPECT_EQ(Eval(L"a = #(1, 3); insertItem 2 a 2; a"), L"#(1, 2, 3)");
    EXPECT_EQ(Eval(L"makeUniqueArray #(1, 2, 1, \"a\", \"a\")"), L"#(1, 2, \"a\")");
    EXPECT_EQ(Eval(L"a = #(#(1)); b = deepCopy a; append b[1] 2; a"), L"#(#(1))");
    EXPECT_EQ(Eval(L"a = #(#(1)); b = copy a; append b[1] 2; a"), L"#(#(1, 2))");
    EXPECT_EQ(Error(L"deleteItem #(1) 2"), L"Runtime error: deleteItem index out of range: 2");
    EXPECT_TRUE(Error(L"sort #(1, \"a\")").starts_with(L"Unable to convert: "));
}

TEST_F(Builtins, Strings) {
    EXPECT_EQ(Eval(L"#(substring \"abcdef\" 2 3, substring \"abcdef\" 4 -1, substring \"abc\" 9 1)"),
              L"#(\"bcd\", \"def\", \"\")");
    EXPECT_EQ(Eval(L"#(findString \"Hello World\" \"WORLD\", findString \"abc\" \"z\")"), L"#(7, undefined)");
    EXPECT_EQ(Eval(L"filterString \"a,b;;c\" \",;\""), L"#(\"a\", \"b\", \"c\")");
    EXPECT_EQ(Eval(L"filterString \"a,,b\" \",\" splitEmptyTokens:true"), L"#(\"a\", \"\", \"b\")");
    EXPECT_EQ(Eval(L"substituteString \"a-b-c\" \"-\" \"--\""), L"\"a--b--c\"");
    EXPECT_EQ(Eval(L"#(toLower \"AbC\", toUpper \"AbC\")"), L"#(\"abc\", \"ABC\")");
    EXPECT_EQ(Eval(L"#(trimLeft \"  x \", trimRight \" x  \", trimLeft \"xxy\" \"x\")"),
              L"#(\"x \", \" x\", \"y\")");
    EXPECT_EQ(Eval(L"replace \"abcdef\" 2 3 \"X\""), L"\"aXef\"");
    EXPECT_EQ(Eval(L"#(matchPattern \"Wall01\" pattern:\"wall*\", matchPattern \"Wall01\" pattern:\"wall*\" "
                   L"ignoreCase:false,"
                   L" matchPattern \"ab\" pattern:\"a?\", matchPattern \"abc\" pattern:\"a?\","
                   L" matchPattern \"a.max\" pattern:\"*.*a*\", matchPattern \"\" pattern:\"*\")"),
              L"#(true, false, true, false, true, true)");
    EXPECT_EQ(Eval(L"\"abc\".count"), L"3");
}

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
    EXPECT_EQ(Eval(L"#(getFilenamePath @\"C:\\a\\b.max\", getFilenameFile @\"C:\\a\\house.final.max\","
                   L" getFilenameType \"x/y.MAX\")"),
              L"#(\"C:\\a\\\", \"house.final\", \".MAX\")");
    fs::remove_all(root);
}
