// The host's exception types: operations that fail throw these, and the plug-in catches them per operation.
#pragma once

#include "host/core/WStr.h"

#include <exception>
#include <string>

// A host failure with a text and a code, as the host SDK throws it.
class MAXException : public std::exception {
public:
    explicit MAXException(const WStr& text, int code = -1) : text_(text), code_(code), what_(text.ToUTF8()) {}
    explicit MAXException(const wchar_t* text, int code = -1) : MAXException(WStr(text), code) {}
    const WStr& Message() const { return text_; }
    int Code() const { return code_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    WStr text_;
    int code_;
    std::string what_;
};

namespace MaxSDK::Util {

// Thrown by the host's tables and function-publishing argument lists for an index out of range.
class OutOfRangeException : public MAXException {
public:
    explicit OutOfRangeException(const WStr& text) : MAXException(text, -1) {}
};

} // namespace MaxSDK::Util

// Texts the host gives its range errors.
inline constexpr const wchar_t* kTabRangeErrorText = L"Invalid index passed into a Max SDK Tab::operator[]";
inline constexpr const wchar_t* kArrayRangeErrorText =
    L"Argument index out of bounds, passed into a MaxSDK::Array::operator[]";
