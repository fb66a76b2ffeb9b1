// File streams of the script language: createFile, openFile, reading by lines, characters, delimiters and
// values, positioning, flush and close; "format" and "print" write into a stream given with "to:". Files
// are UTF-8.
#include "host/core/WStr.h"
#include "host/script/CoreBuiltins.h"
#include "host/script/IniFile.h"
#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/ScriptOutput.h"

#include <cwctype>
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
        written_ += text.size();
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
    wchar_t ReadChar() { return ReadChars(1)[0]; }
    // Up to the first of the delimiters, which is passed over; the rest of the text when none follows.
    std::wstring ReadDelimited(const std::wstring& delimiters) {
        if (AtEnd()) throw Refused(L"has no more to read");
        size_t end = text_.find_first_of(delimiters, at_);
        if (end == std::wstring::npos) end = text_.size();
        std::wstring part = text_.substr(at_, end - at_);
        at_ = end < text_.size() ? end + 1 : end;
        return part;
    }
    // The text of the next value: a quoted string, or a run up to white space or a comma outside brackets
    // and quotes ("#(1, 2)" and "[1,2,3]" are one value).
    std::wstring ReadValueText() {
        Readable();
        while (at_ < text_.size() && std::iswspace(static_cast<wint_t>(text_[at_])))
            ++at_;
        if (at_ >= text_.size()) throw Refused(L"has no more to read");
        const size_t start = at_;
        int depth = 0;
        bool quoted = false;
        for (; at_ < text_.size(); ++at_) {
            const wchar_t c = text_[at_];
            if (quoted) {
                if (c == L'\\') ++at_;
                else if (c == L'"') quoted = false;
                if (quoted || depth > 0) continue;
                ++at_;
                break;
            }
            if (c == L'"') quoted = true;
            else if (c == L'(' || c == L'[' || c == L'{') ++depth;
            else if ((c == L')' || c == L']' || c == L'}') && depth > 0) --depth;
            else if (depth == 0 && (std::iswspace(static_cast<wint_t>(c)) || c == L',')) break;
        }
        if (quoted || depth > 0) throw Refused(L"ends inside the value " + text_.substr(start));
        std::wstring value = text_.substr(start, at_ - start);
        // Past the separator and the white space after it, so that eof answers true after the last value.
        if (at_ < text_.size() && text_[at_] == L',') ++at_;
        while (at_ < text_.size() && std::iswspace(static_cast<wint_t>(text_[at_])))
            ++at_;
        return value;
    }
    // Moves past the next occurrence of what; false (staying put) when there is none.
    bool SkipTo(const std::wstring& what) {
        Readable();
        const size_t at = text_.find(what, at_);
        if (at == std::wstring::npos) return false;
        at_ = at + what.size();
        return true;
    }
    void SkipLine() {
        Readable();
        const size_t end = text_.find(L'\n', at_);
        at_ = end == std::wstring::npos ? text_.size() : end + 1;
    }
    // The position in characters from the start: where reading goes on, or how much was written.
    size_t Position() {
        if (closed_) throw Refused(L"is closed");
        return reading_ ? at_ : written_;
    }
    void Seek(std::int64_t position) {
        Readable();
        if (position < 0 || static_cast<size_t>(position) > text_.size())
            throw Refused(L"cannot seek to " + std::to_wstring(position) + L", outside 0 to " +
                          std::to_wstring(text_.size()));
        at_ = static_cast<size_t>(position);
    }
    void SeekEnd() {
        Readable();
        at_ = text_.size();
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
    size_t written_ = 0;
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
        const std::wstring given = ArgString(a.KeywordOr(L"mode", Value::String(L"r")));
        // A trailing "t" (text) is what every stream is.
        const std::wstring mode = given.size() == 2 && given[1] == L't' ? given.substr(0, 1) : given;
        if (mode != L"r" && mode != L"w" && mode != L"a")
            throw ScriptError(L"Runtime error: openFile mode must be \"r\", \"w\" or \"a\" (with an optional \"t\"), got: \"" +
                              given + L"\"");
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
    in.RegisterFunction(L"readChar", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"readChar", a, 1);
        return Value::String(std::wstring(1, StreamArg(a[0]).ReadChar()));
    });
    in.RegisterFunction(L"readDelimitedString", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"readDelimitedString", a, 2);
        return Value::String(StreamArg(a[0]).ReadDelimited(ArgString(a[1])));
    });
    // readValue: the next value written as the language writes it (a number, a string, a name, an array,
    // a point); its errors name the text read.
    in.RegisterFunction(L"readValue", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"readValue", a, 1);
        const std::wstring text = StreamArg(a[0]).ReadValueText();
        return i.Run(text, L"readValue");
    });
    // skipToString: OK positioned after the text, undefined (where it was) when the rest lacks it.
    in.RegisterFunction(L"skipToString", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"skipToString", a, 2);
        return StreamArg(a[0]).SkipTo(ArgString(a[1])) ? Value::Ok() : Value();
    });
    in.RegisterFunction(L"skipToNextLine", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"skipToNextLine", a, 1);
        StreamArg(a[0]).SkipLine();
        return Value::Ok();
    });
    in.RegisterFunction(L"filePos", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"filePos", a, 1);
        return Value::Int(static_cast<std::int64_t>(StreamArg(a[0]).Position()));
    });
    // seek stream position, or seek stream #eof.
    in.RegisterFunction(L"seek", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"seek", a, 2);
        FileStream& stream = StreamArg(a[0]);
        if (a[1].Is(Value::Type::Name)) {
            if (LowerName(a[1].NameText()) != L"eof")
                throw ScriptError(L"Runtime error: seek needs a position or #eof, got: " + a[1].PrintForm());
            stream.SeekEnd();
        } else {
            stream.Seek(ArgInt(a[1]));
        }
        return Value::Ok();
    });
    in.RegisterFunction(L"flush", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"flush", a, 1);
        StreamArg(a[0]).Flush();
        return Value::Ok();
    });
    in.RegisterFunction(L"close", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"close", a, 1);
        StreamArg(a[0]).Close();
        return Value::Ok();
    });
}
