// Parses script text into a syntax tree.
#pragma once

#include "host/script/Ast.h"

#include <string>
#include <string_view>

// Throws ScriptError("syntax error: expected ... but found ...") at the position of the token found.
AstProgram ParseScript(std::wstring_view text, const std::wstring& sourceName);
