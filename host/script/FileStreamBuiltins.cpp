// File streams of the script language: createFile, openFile, readLine, readChars, eof and close; "format"
// and "print" write into a stream given with "to:". Files are UTF-8.
#include "host/core/WStr.h"
#include "host/script/CoreBuiltins.h"
#include "host/script/IniFile.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/ScriptOutput.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

namespace {

// Scripts write "\\" or "/" between folders, as in the other file functions.
std::string NativePath(const std::wstring& path) {
    return IniFile::ToPath(path).string();
}

// A file opened for reading (its text is read whole when opened) or for writing (text goes out as written).
class FileStream : public HostObject, public ScriptOutput {
public:
    FileStream(std::wstring path, std::wstring text, bool reading)
        : path_(std::move(path)), text_(std::move(text)), reading_(reading) {}

    // Null when the file cannot be opened in the mode.
    static std::shared_ptr<FileStream> Open(const std::wstring& path, const std::wstring& mode) {
        if (mode == L"r") {
            std::ifstream in(NativePath(path), std::ios::binary);
            if (!in) return nullptr;
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            return std::make_shared<FileStream>(path, WStr::FromUTF8OrLatin1(bytes).str(), true);
        }
        auto stream = std::make_shared<FileStream>(path, L"", false);
        stream->out_.open(NativePath(path), std::ios::binary | (mode == L"a" ? std::ios::app : std::ios::trunc));
        return stream->out_ ? stream : nullptr;
    }

    std::wstring ClassName() const override { return L"FileStream"; }
    std::wstring PrintForm() const override { return L"<File:" + path_ + L">"; }

    void Write(std::wstring_view text) override {
        if (!out_.is_open()) throw Refused(reading_ ? L"is open for reading" : L"is closed");
        out_ << WStr(std::wstring(text).c_str()).ToUTF8();
    }
    void Flush() override {
        if (out_.is_open()) out_.flush();
    }

    bool AtEnd() {
        Readable();
        return at_ >= text_.size();
    }
    std::wstring ReadLine() {
        if (AtEnd()) throw Refused(L"has no more to read");
        size_t end = text_.find(L'\n', at_);
        if (end == std::wstring::npos) end = text_.size();
        std::wstring line = text_.substr(at_, end - at_);
        at_ = end < text_.size() ? end + 1 : end;
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        return line;
    }
    std::wstring ReadChars(size_t n) {
        if (AtEnd()) throw Refused(L"has no more to read");
        std::wstring chars = text_.substr(at_, n);
        at_ += chars.size();
        return chars;
    }
    void Close() {
        closed_ = true;
        if (out_.is_open()) out_.close();
    }

private:
    ScriptError Refused(const std::wstring& why) const {
        return ScriptError(L"Runtime error: FileStream " + why + L": " + path_);
    }
    void Readable() const {
        if (closed_) throw Refused(L"is closed");
        if (!reading_) throw Refused(L"is open for writing");
    }

    std::wstring path_;
    std::wstring text_;
    size_t at_ = 0;
    bool reading_;
    bool closed_ = false;
    std::ofstream out_;
};

FileStream& StreamArg(const Value& v) {
    if (auto* s = v.ObjAs<FileStream>()) return *s;
    ThrowConvertError(v, L"FileStream");
}

Value StreamOrUndefined(std::shared_ptr<FileStream> s) {
    return s ? Value::Object(std::move(s)) : Value();
}

} // namespace

void RegisterFileStreamBuiltins(Interpreter& in) {
    in.RegisterFunction(L"createFile", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"createFile", a, 1);
        return StreamOrUndefined(FileStream::Open(ArgString(a[0]), L"w"));
    });
    // openFile <path> [mode:"r"|"w"|"a"]: undefined when the file cannot be opened so.
    in.RegisterFunction(L"openFile", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"openFile", a, 1);
        const std::wstring mode = ArgString(a.KeywordOr(L"mode", Value::String(L"r")));
        if (mode != L"r" && mode != L"w" && mode != L"a")
            throw ScriptError(L"Runtime error: openFile mode must be \"r\", \"w\" or \"a\", got: \"" + mode + L"\"");
        return StreamOrUndefined(FileStream::Open(ArgString(a[0]), mode));
    });
    in.RegisterFunction(L"readLine", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"readLine", a, 1);
        return Value::String(StreamArg(a[0]).ReadLine());
    });
    in.RegisterFunction(L"readChars", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"readChars", a, 2);
        const std::int64_t n = ArgInt(a[1]);
        if (n < 0) throw ScriptError(L"Runtime error: readChars count must not be negative, got: " + std::to_wstring(n));
        return Value::String(StreamArg(a[0]).ReadChars(static_cast<size_t>(n)));
    });
    in.RegisterFunction(L"eof", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"eof", a, 1);
        return Value::Bool(StreamArg(a[0]).AtEnd());
    });
    in.RegisterFunction(L"close", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"close", a, 1);
        StreamArg(a[0]).Close();
        return Value::Ok();
    });
}
