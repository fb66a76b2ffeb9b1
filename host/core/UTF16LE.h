// Wide text as the UTF-16 little-endian bytes scene files hold.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// Appends s as UTF-16 little-endian bytes (what WStr::ToUTF16 gives), with no string in between; what is
// not a Unicode scalar becomes U+FFFD.
void AppendUTF16LE(std::wstring_view s, std::vector<std::uint8_t>& out);
