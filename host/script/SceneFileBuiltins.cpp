// The scene file built-ins: open, save, reset and merge the scene from script, the open file's name and why
// the last file operation failed.
#include "host/script/SceneFileBuiltins.h"

#include "host/core/HoldSuspend.h"
#include "host/io/SceneReader.h"
#include "host/scene/HostServices.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/nodes/Node.h"
#include "host/script/IniFile.h"
#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/fp/FPValueConvert.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

// The host's Yes/No/Cancel message box style.
constexpr unsigned kYesNoCancel = 0x3;

bool HasFlag(const CallArgs& args, size_t from, const wchar_t* lowerFlag) {
    for (size_t i = from; i < args.Count(); ++i)
        if (args[i].Is(Value::Type::Name) && LowerName(args[i].NameText()) == lowerFlag) return true;
    return false;
}

// Every positional argument after the first few must be one of the flags a function knows.
void CheckFlags(const wchar_t* function, const CallArgs& args, size_t from,
                std::initializer_list<const wchar_t*> known) {
    for (size_t i = from; i < args.Count(); ++i) {
        bool ok = false;
        if (args[i].Is(Value::Type::Name)) {
            std::wstring lower = LowerName(args[i].NameText());
            for (const wchar_t* k : known) ok = ok || lower == k;
        }
        if (!ok)
            throw ScriptError(L"Runtime error: " + std::wstring(function) + L" does not take the argument " +
                              args[i].PrintForm());
    }
}

Interface& App() {
    Interface* ip = GetCOREInterface();
    if (!ip) throw ScriptError(L"Runtime error: the host has no application object");
    return *ip;
}

// Collects the nodes a merge reports.
class MergedNodesCollector : public MergeCallback {
public:
    explicit MergedNodesCollector(Interface& ip) : ip_(ip) { ip_.RegisterMergeCallback(this); }
    ~MergedNodesCollector() override { ip_.UnRegisterMergeCallback(this); }
    MergedNodesCollector(const MergedNodesCollector&) = delete;
    MergedNodesCollector& operator=(const MergedNodesCollector&) = delete;
    void NodesMerged(const INodeTab& nodes) override {
        for (int i = 0; i < nodes.Count(); ++i) nodes_.push_back(nodes[i]);
    }
    const std::vector<INode*>& Nodes() const { return nodes_; }

private:
    Interface& ip_;
    std::vector<INode*> nodes_;
};

// A scene file named relative to the working folder, as a full path: the open file's folder and the
// notifications always see where the file really is.
std::wstring FullPath(const std::wstring& path) {
    if (path.empty()) return path;
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(WStr(path).ToUTF8()), ec);
    return ec ? path : WStr::FromUTF8(full.lexically_normal().string()).str();
}

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring FileNameOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The result of a file operation. A failure is also written to the listener as one line with the host's
// reason (the file, and for a damaged file the chunk, the offset, what was expected and what was found),
// quiet or not: a script that only tests the result still leaves the reason where the user looks.
Value FileResult(Interpreter& in, const wchar_t* function, bool ok) {
    if (!ok) {
        std::wstring error = App().GetLastFileError().str();
        in.Output().Write(L"-- " + std::wstring(function) + L" failed: " + (error.empty() ? L"no reason given" : error) +
                          L"\n");
        in.Output().Flush();
    }
    return Value::Bool(ok);
}

Value SaveMaxFile(Interpreter& in, CallArgs& a) {
    CheckArgCount(L"saveMaxFile", a, 1);
    bool clearNeedSave = ArgBool(a.KeywordOr(L"clearneedsaveflag", Value::Bool(true)));
    bool useNewFile = ArgBool(a.KeywordOr(L"usenewfile", Value::Bool(true)));
    return FileResult(in, L"saveMaxFile",
                      App().SaveToFile(FullPath(ArgString(a[0])).c_str(), clearNeedSave, useNewFile));
}

Value LoadMaxFile(Interpreter& in, CallArgs& a) {
    CheckArgCount(L"loadMaxFile", a, 1);
    return FileResult(in, L"loadMaxFile", App().LoadFromFile(FullPath(ArgString(a[0])).c_str(), TRUE) != FALSE);
}

// holdMaxFile(): the scene kept in the hold file, the open file's name and save state untouched; a failed
// write is an error naming the reason.
Value HoldMaxFile(Interpreter&, CallArgs& a) {
    CheckArgCount(L"holdMaxFile", a, 0);
    if (!App().FileHold())
        throw ScriptError(L"Runtime error: holdMaxFile failed: " + std::wstring(App().GetLastFileError().str()));
    return Value::Ok();
}

// fetchMaxFile [quiet:false]: the held scene back, after the user agrees unless quiet; false when declined
// or when there is no hold to fetch.
Value FetchMaxFile(Interpreter& in, CallArgs& a) {
    CheckArgCount(L"fetchMaxFile", a, 0);
    const bool quiet = ArgBool(a.KeywordOr(L"quiet", Value::Bool(false)));
    if (!quiet && App().Services().MessageBox(L"About to load the Hold file. OK?", L"Fetch", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return Value::Bool(false);
    return FileResult(in, L"fetchMaxFile", App().FileFetch());
}

Value ResetMaxFile(Interpreter&, CallArgs& a) {
    CheckArgCount(L"resetMaxFile", a, 0, 1);
    CheckFlags(L"resetMaxFile", a, 0, {L"noprompt"});
    App().FileReset(HasFlag(a, 0, L"noprompt") ? TRUE : FALSE);
    return Value::Ok();
}

// mergeMaxFile file [names] [#select] [#noRedraw] [duplicate flags] [mergedNodes:array]: true when merged.
Value MergeMaxFile(Interpreter& in, CallArgs& a) {
    if (a.Count() < 1) CheckArgCount(L"mergeMaxFile", a, 1);
    std::wstring file = FullPath(ArgString(a[0]));
    size_t flagsFrom = 1;
    NameTab names;
    bool mergeAll = true;
    if (a.Count() > 1 && a[1].Is(Value::Type::Array)) {
        for (const Value& n : a[1].Items()) names.Append(MSTR(ArgString(n)));
        mergeAll = false;
        flagsFrom = 2;
    }
    CheckFlags(L"mergeMaxFile", a, flagsFrom,
               {L"prompt", L"select", L"noredraw", L"promptdups", L"mergedups", L"skipdups", L"deleteolddups",
                L"autorenamedups", L"promptmtldups", L"usemergedmtldups", L"usescenemtldups", L"renamemtldups",
                L"autorenamemtldups", L"promptreparent", L"alwaysreparent", L"neverreparent"});
    auto flag = [&](const wchar_t* f) { return HasFlag(a, flagsFrom, f); };
    int dups = MERGE_DUPS_PROMPT;
    if (flag(L"mergedups")) dups = MERGE_DUPS_MERGE;
    if (flag(L"skipdups")) dups = MERGE_DUPS_SKIP;
    if (flag(L"deleteolddups")) dups = MERGE_DUPS_DELOLD;
    if (flag(L"autorenamedups")) dups = MERGE_DUPS_RENAME;
    int mtlDups = MERGE_DUP_MTL_PROMPT;
    if (flag(L"usemergedmtldups")) mtlDups = MERGE_DUP_MTL_USE_MERGED;
    if (flag(L"usescenemtldups")) mtlDups = MERGE_DUP_MTL_USE_SCENE;
    if (flag(L"renamemtldups")) mtlDups = MERGE_DUP_MTL_RENAME;
    if (flag(L"autorenamemtldups")) mtlDups = MERGE_DUP_MTL_AUTORENAME;
    int reparent = MERGE_REPARENT_PROMPT;
    if (flag(L"alwaysreparent")) reparent = MERGE_REPARENT_ALWAYS;
    if (flag(L"neverreparent")) reparent = MERGE_REPARENT_NEVER;

    const Value* mergedNodes = a.Keyword(L"mergednodes");
    if (mergedNodes && !mergedNodes->Is(Value::Type::Array))
        throw ScriptError(L"Runtime error: mergeMaxFile mergedNodes: wants an array, got " + mergedNodes->PrintForm());
    Interface& ip = App();
    MergedNodesCollector collector(ip);
    int merged = ip.MergeFromFile(file.c_str(), mergeAll ? TRUE : FALSE, flag(L"select") ? TRUE : FALSE,
                                  flag(L"noredraw") ? FALSE : TRUE, dups, mergeAll ? nullptr : &names, mtlDups,
                                  reparent);
    if (mergedNodes)
        for (INode* n : collector.Nodes()) mergedNodes->Items().push_back(WrapAnimatable(n));
    return FileResult(in, L"mergeMaxFile", merged != 0);
}

// saveNodes nodes file: writes only those nodes (and what they need).
Value SaveNodes(Interpreter& in, CallArgs& a) {
    CheckArgCount(L"saveNodes", a, 2);
    INodeTab nodes;
    auto add = [&](const Value& v) {
        auto* node = dynamic_cast<INode*>(UnwrapAnimatable(v));
        if (!node) ThrowConvertError(v, L"node");
        nodes.Append(node);
    };
    if (a[0].Is(Value::Type::Array))
        for (const Value& v : a[0].Items()) add(v);
    else
        add(a[0]);
    return FileResult(in, L"saveNodes", App().SaveNodes(&nodes, FullPath(ArgString(a[1])).c_str()));
}

// checkForSave(): true when the caller may go on (nothing to save, saved, or the user chose not to save),
// false when the user cancelled or the save failed.
Value CheckForSave(Interpreter&, CallArgs& a) {
    CheckArgCount(L"checkForSave", a, 0);
    Interface& ip = App();
    if (!ip.IsSaveRequired()) return Value::Bool(true);
    int answer = ip.Services().MessageBox(L"The scene has been modified.\nDo you want to save your changes?",
                                          L"Save Changes", kYesNoCancel | MB_ICONQUESTION);
    if (answer == IDNO) return Value::Bool(true);
    if (answer != IDYES) return Value::Bool(false);
    MSTR path = ip.GetCurFilePath();
    // An untitled scene would need a file dialog, which a script check cannot answer: treat it as a cancel.
    if (path.Length() == 0) return Value::Bool(false);
    return Value::Bool(ip.SaveToFile(path.c_str()));
}

// A scene file to read here, whichever separators the script wrote: a full path with the system's.
std::wstring ReadPath(const std::wstring& file) {
    return FullPath(WStr::FromUTF8(IniFile::ToPath(file).string()).str());
}

// Reads a scene file's objects aside, without touching the open scene, and deletes them again when done.
// Reading is not an edit: nothing it makes is recorded for undo. The suspension is a member ahead of the
// reader, so it covers the reader's whole life and ends even when the read throws.
class SceneFilePeek {
public:
    explicit SceneFilePeek(const std::wstring& file) : reader_(&App()) {
        ok_ = reader_.IndexFile(WStr(file)) == IO_OK && reader_.CreateObjects() == IO_OK;
    }
    ~SceneFilePeek() { reader_.Discard(); }
    SceneFilePeek(const SceneFilePeek&) = delete;
    SceneFilePeek& operator=(const SceneFilePeek&) = delete;
    bool Ok() const { return ok_; }
    const SceneReader& Reader() const { return reader_; }

private:
    HoldSuspend quiet_;
    SceneReader reader_;
    bool ok_ = false;
};

// getMAXFileObjectNames file: the names of the file's objects (its nodes), in the file's order.
Value GetMAXFileObjectNames(Interpreter&, CallArgs& a) {
    CheckArgCount(L"getMAXFileObjectNames", a, 1);
    SceneFilePeek peek(ReadPath(ArgString(a[0])));
    if (!peek.Ok())
        throw ScriptError(L"Runtime error: getMAXFileObjectNames: " + std::wstring(peek.Reader().Error().str()));
    std::vector<Value> names;
    for (const SceneReader::NodeEntry& e : peek.Reader().Nodes())
        if (Node* n = peek.Reader().NodeAt(e.id)) names.push_back(Value::String(n->GetName()));
    return Value::Array(std::move(names));
}

// isMaxFile file: true for a readable scene file, false for anything else (missing, another kind of file,
// damaged).
Value IsMaxFile(Interpreter&, CallArgs& a) {
    CheckArgCount(L"isMaxFile", a, 1);
    SceneReader reader(&App());
    return Value::Bool(reader.IndexFile(WStr(ReadPath(ArgString(a[0])))) == IO_OK);
}

} // namespace

void RegisterSceneFileBuiltins(Interpreter& interp) {
    interp.RegisterFunction(L"getMAXFileObjectNames", GetMAXFileObjectNames);
    interp.RegisterFunction(L"isMaxFile", IsMaxFile);
    interp.RegisterFunction(L"saveMaxFile", SaveMaxFile);
    interp.RegisterFunction(L"loadMaxFile", LoadMaxFile);
    interp.RegisterFunction(L"holdMaxFile", HoldMaxFile);
    interp.RegisterFunction(L"fetchMaxFile", FetchMaxFile);
    interp.RegisterFunction(L"resetMaxFile", ResetMaxFile);
    interp.RegisterFunction(L"mergeMaxFile", MergeMaxFile);
    interp.RegisterFunction(L"saveNodes", SaveNodes);
    interp.RegisterFunction(L"checkForSave", CheckForSave);
    // getSaveRequired(): whether the scene changed since it was last saved or opened.
    interp.RegisterFunction(L"getSaveRequired", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getSaveRequired", a, 0);
        return Value::Bool(App().IsSaveRequired() != FALSE);
    });
    // getLastFileError(): why the last open, merge or save failed; "" after one that succeeded.
    interp.RegisterFunction(L"getLastFileError", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getLastFileError", a, 0);
        return Value::String(App().GetLastFileError().str());
    });
    // "with quiet on (...)": the body runs with the host quiet (no dialogs; errors go to the listener).
    auto quietBefore = std::make_shared<std::vector<BOOL>>();
    ScriptContextHooks quiet;
    quiet.enter = [quietBefore](Interpreter&, const Value&, bool on) {
        quietBefore->push_back(App().GetQuietMode(FALSE));
        App().SetQuietMode(on ? TRUE : FALSE);
    };
    quiet.leave = [quietBefore](Interpreter&, const Value&, bool, bool) {
        App().SetQuietMode(quietBefore->back());
        quietBefore->pop_back();
    };
    interp.RegisterContext(L"quiet", quiet);
    // The open file's folder with its trailing separator, and its name; both "" for an untitled scene.
    interp.RegisterGlobalAccessor(L"maxFilePath",
                                  [](Interpreter&) { return Value::String(FolderOf(App().GetCurFilePath().str())); });
    interp.RegisterGlobalAccessor(L"maxFileName",
                                  [](Interpreter&) { return Value::String(FileNameOf(App().GetCurFilePath().str())); });
}
