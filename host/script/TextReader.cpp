// The streams' reading through their whole text.
#include "host/script/TextReader.h"

#include <algorithm>
#include <cwctype>

namespace {
bool IsSpace(wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; }
bool IsWordChar(wchar_t c) { return std::iswalnum(static_cast<wint_t>(c)) || c == L'_' || c == L'.'; }
} // namespace

bool TextReader::AtEnd() {
    Readable();
    return at_ >= text_.size();
}

std::wstring TextReader::ReadLine() {
    if (AtEnd()) throw Refused(L"has no more to read");
    size_t end = text_.find(L'\n', at_);
    if (end == std::wstring::npos) end = text_.size();
    std::wstring line = text_.substr(at_, end - at_);
    at_ = end < text_.size() ? end + 1 : end;
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    return line;
}

std::wstring TextReader::ReadChars(size_t n) {
    if (AtEnd()) throw Refused(L"has no more to read");
    std::wstring chars = text_.substr(at_, n);
    at_ += chars.size();
    return chars;
}

std::wstring TextReader::ReadDelimited(const std::wstring& delimiters) {
    if (AtEnd()) throw Refused(L"has no more to read");
    size_t end = text_.find_first_of(delimiters, at_);
    if (end == std::wstring::npos) end = text_.size();
    std::wstring part = text_.substr(at_, end - at_);
    at_ = end < text_.size() ? end + 1 : end;
    return part;
}

void TextReader::SkipWhite() {
    while (at_ < text_.size() && IsSpace(text_[at_])) ++at_;
}

std::wstring TextReader::ScanBalanced(bool value) {
    Readable();
    SkipWhite();
    if (at_ >= text_.size()) throw Refused(L"has no more to read");
    const size_t start = at_;
    int depth = 0;
    bool quoted = false;
    for (; at_ < text_.size(); ++at_) {
        const wchar_t c = text_[at_];
        if (quoted) {
            if (c == L'\\') ++at_;
            else if (c == L'"') quoted = false;
            // A string standing alone is a whole value.
            if (!value || quoted || depth > 0) continue;
            ++at_;
            break;
        }
        if (c == L'"') quoted = true;
        else if (c == L'(' || c == L'[' || c == L'{') ++depth;
        else if ((c == L')' || c == L']' || c == L'}') && depth > 0) --depth;
        else if (depth == 0 && (value ? IsSpace(c) || c == L',' : c == L'\n')) break;
    }
    if (quoted || depth > 0)
        throw Refused(std::wstring(value ? L"ends inside the value " : L"ends inside the expression ") + text_.substr(start));
    return text_.substr(start, at_ - start);
}

std::wstring TextReader::ReadValueText() {
    std::wstring value = ScanBalanced(true);
    // Past the separator and the white space after it, so that eof answers true after the last value.
    if (at_ < text_.size() && text_[at_] == L',') ++at_;
    SkipWhite();
    return value;
}

std::wstring TextReader::ReadToken(bool peek) {
    Readable();
    SkipWhite();
    const size_t start = at_;
    size_t end = at_;
    if (end < text_.size()) {
        if (text_[end] == L'"') {
            for (++end; end < text_.size() && text_[end] != L'"'; ++end)
                if (text_[end] == L'\\') ++end;
            end = std::min(end + 1, text_.size());
        } else if (IsWordChar(text_[end])) {
            while (end < text_.size() && IsWordChar(text_[end])) ++end;
        } else {
            ++end;
        }
    }
    if (!peek) at_ = end;
    return text_.substr(start, end - start);
}

std::wstring TextReader::ReadExpressionText() {
    std::wstring expr = ScanBalanced(false);
    SkipWhite();
    return expr;
}

bool TextReader::SkipTo(const std::wstring& what) {
    Readable();
    const size_t at = text_.find(what, at_);
    if (at == std::wstring::npos) return false;
    at_ = at + what.size();
    return true;
}

void TextReader::SkipLine() {
    Readable();
    const size_t end = text_.find(L'\n', at_);
    at_ = end == std::wstring::npos ? text_.size() : end + 1;
}

void TextReader::SkipSpace() {
    Readable();
    SkipWhite();
}

void TextReader::Seek(std::int64_t position) {
    Readable();
    if (position < 0 || static_cast<size_t>(position) > text_.size())
        throw Refused(L"cannot seek to " + std::to_wstring(position) + L", outside 0 to " +
                      std::to_wstring(text_.size()));
    at_ = static_cast<size_t>(position);
}

void TextReader::SeekEnd() {
    Readable();
    at_ = text_.size();
}
