// File streams of the script language: createFile, openFile, reading (file and string streams alike) by
// lines, characters, delimiters, values, tokens and expressions, positioning, flush and close; "format" and
// "print" write into a stream given with "to:". Files are UTF-8.
#include "host/core/WStr.h"
#include "host/script/CoreBuiltins.h"
#include "host/script/IniFile.h"
#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/ScriptOutput.h"
#include "host/script/StringStream.h"
#include "host/script/TextReader.h"

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

// A file opened for reading (its text is read whole when opened), for writing (text goes out as written),
// or with "+" for both: then the text is held whole, read and written at one position ("a+" writes at the
// end), and goes to the file on flush and close.
class FileStream : public HostObject, public ScriptOutput, public TextReader {
public:
    FileStream(std::wstring path, std::wstring text, bool reading, bool writing, bool append)
        : path_(std::move(path)), reading_(reading), writing_(writing), append_(append) {
        text_ = std::move(text);
    }
    ~FileStream() override {
        if (dirty_) Store();
    }

    // Null when the file cannot be opened in the mode (r, w, a, r+, w+ or a+).
    static std::shared_ptr<FileStream> Open(const std::wstring& path, const std::wstring& mode) {
        const bool both = mode.size() == 2;
        std::wstring text;
        if (mode == L"r" || (both && mode[0] != L'w')) {
            std::ifstream in(NativePath(path), std::ios::binary);
            if (in) {
                const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                text = WStr::FromUTF8OrLatin1(bytes).str();
            } else if (mode[0] == L'r') {
                return nullptr;
            }
        }
        if (mode == L"r") return std::make_shared<FileStream>(path, text, true, false, false);
        auto stream = std::make_shared<FileStream>(path, both ? text : L"", both, true, mode[0] == L'a');
        if (both) {
            // The file exists (made empty for "w+") from the start, as with the other write modes.
            if (mode != L"r+" && !stream->Store()) return nullptr;
            return stream;
        }
        stream->out_.open(NativePath(path), std::ios::binary | (mode == L"a" ? std::ios::app : std::ios::trunc));
        return stream->out_ ? stream : nullptr;
    }

    std::wstring ClassName() const override { return L"FileStream"; }
    std::wstring PrintForm() const override { return L"<File:" + path_ + L">"; }

    void Write(std::wstring_view text) override {
        if (closed_) throw Refused(L"is closed");
        if (!writing_) throw Refused(L"is open for reading");
        if (reading_) {
            if (append_) at_ = text_.size();
            text_.replace(at_, std::min(text.size(), text_.size() - at_), text);
            at_ += text.size();
            dirty_ = true;
        } else {
            out_ << WStr(std::wstring(text).c_str()).ToUTF8();
        }
        written_ += text.size();
    }
    void Flush() override {
        if (dirty_) Store();
        if (out_.is_open()) out_.flush();
    }

    // The position in characters from the start: where reading goes on, or how much was written.
    size_t Position() {
        if (closed_) throw Refused(L"is closed");
        return reading_ ? at_ : written_;
    }
    void Close() {
        if (dirty_) Store();
        closed_ = true;
        if (out_.is_open()) out_.close();
    }

private:
    ScriptError Refused(const std::wstring& why) const override {
        return ScriptError(L"Runtime error: FileStream " + why + L": " + path_);
    }
    void Readable() const override {
        if (closed_) throw Refused(L"is closed");
        if (!reading_) throw Refused(L"is open for writing");
    }
    bool Store() {
        std::ofstream out(NativePath(path_), std::ios::binary | std::ios::trunc);
        out << WStr(text_.c_str()).ToUTF8();
        dirty_ = false;
        return static_cast<bool>(out);
    }

    std::wstring path_;
    size_t written_ = 0;
    bool reading_, writing_, append_;
    bool closed_ = false;
    bool dirty_ = false;
    std::ofstream out_;
};

FileStream& StreamArg(const Value& v) {
    if (auto* s = v.ObjAs<FileStream>()) return *s;
    ThrowConvertError(v, L"FileStream");
}

// The stream a reading function reads: a file stream or a string stream.
TextReader& ReaderArg(const Value& v) {
    if (auto* s = v.ObjAs<FileStream>()) return *s;
    if (auto* s = v.ObjAs<StringStream>()) return *s;
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
    // openFile <path> [mode:"r"|"w"|"a", with "+" to read and write]: undefined when the file cannot be
    // opened so.
    in.RegisterFunction(L"openFile", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"openFile", a, 1);
        const std::wstring given = ArgString(a.KeywordOr(L"mode", Value::String(L"r")));
        // A trailing "t" (text) is what every stream is.
        const std::wstring mode = !given.empty() && given.back() == L't' ? given.substr(0, given.size() - 1) : given;
        if (mode != L"r" && mode != L"w" && mode != L"a" && mode != L"r+" && mode != L"w+" && mode != L"a+")
            throw ScriptError(L"Runtime error: openFile mode must be \"r\", \"w\" or \"a\", with an optional \"+\" "
                              L"and \"t\", got: \"" + given + L"\"");
        return StreamOrUndefined(FileStream::Open(ArgString(a[0]), mode));
    });
    in.RegisterFunction(L"readLine", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"readLine", a, 1);
        return Value::String(ReaderArg(a[0]).ReadLine());
    });
    in.RegisterFunction(L"readChars", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"readChars", a, 2);
        const std::int64_t n = ArgInt(a[1]);
        if (n < 0) throw ScriptError(L"Runtime error: readChars count must not be negative, got: " + std::to_wstring(n));
        return Value::String(ReaderArg(a[0]).ReadChars(static_cast<size_t>(n)));
    });
    in.RegisterFunction(L"eof", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"eof", a, 1);
        return Value::Bool(ReaderArg(a[0]).AtEnd());
    });
    in.RegisterFunction(L"readChar", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"readChar", a, 1);
        return Value::String(std::wstring(1, ReaderArg(a[0]).ReadChar()));
    });
    in.RegisterFunction(L"readDelimitedString", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"readDelimitedString", a, 2);
        return Value::String(ReaderArg(a[0]).ReadDelimited(ArgString(a[1])));
    });
    // readValue: the next value written as the language writes it (a number, a string, a name, an array,
    // a point); its errors name the text read.
    in.RegisterFunction(L"readValue", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"readValue", a, 1);
        const std::wstring text = ReaderArg(a[0]).ReadValueText();
        return i.Run(text, L"readValue");
    });
    // skipToString: OK positioned after the text, undefined (where it was) when the rest lacks it.
    in.RegisterFunction(L"skipToString", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"skipToString", a, 2);
        return ReaderArg(a[0]).SkipTo(ArgString(a[1])) ? Value::Ok() : Value();
    });
    in.RegisterFunction(L"skipToNextLine", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"skipToNextLine", a, 1);
        ReaderArg(a[0]).SkipLine();
        return Value::Ok();
    });
    in.RegisterFunction(L"filePos", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"filePos", a, 1);
        if (auto* text = a[0].ObjAs<StringStream>()) return Value::Int(static_cast<std::int64_t>(text->Position()));
        return Value::Int(static_cast<std::int64_t>(StreamArg(a[0]).Position()));
    });
    // seek stream position, or seek stream #eof.
    in.RegisterFunction(L"seek", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"seek", a, 2);
        TextReader& stream = ReaderArg(a[0]);
        if (a[1].Is(Value::Type::Name)) {
            if (LowerName(a[1].NameText()) != L"eof")
                throw ScriptError(L"Runtime error: seek needs a position or #eof, got: " + a[1].PrintForm());
            stream.SeekEnd();
        } else {
            stream.Seek(ArgInt(a[1]));
        }
        return Value::Ok();
    });
    // readExpr: the next expression (to the end of its line, or on while brackets stay open), evaluated.
    in.RegisterFunction(L"readExpr", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"readExpr", a, 1);
        const std::wstring text = ReaderArg(a[0]).ReadExpressionText();
        return i.Run(text, L"readExpr");
    });
    // readToken and peekToken: the next token as a string (undefined at the end); peeking stays put.
    for (const bool peek : {false, true}) {
        const wchar_t* name = peek ? L"peekToken" : L"readToken";
        in.RegisterFunction(name, [peek, name](Interpreter&, CallArgs& a) {
            CheckArgCount(name, a, 1);
            const std::wstring token = ReaderArg(a[0]).ReadToken(peek);
            return token.empty() ? Value() : Value::String(token);
        });
    }
    in.RegisterFunction(L"skipSpace", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"skipSpace", a, 1);
        ReaderArg(a[0]).SkipSpace();
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
