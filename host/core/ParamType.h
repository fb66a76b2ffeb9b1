// Value types of parameters and published functions, numbered as the host numbers them.
#pragma once

#include <string>

// The base types in the host's numbering; table and by-reference forms add the flag bits below.
enum ParamType2 : int {
    TYPE_FLOAT = 0,
    TYPE_INT = 1,
    TYPE_RGBA = 2,
    TYPE_POINT3 = 3,
    TYPE_BOOL = 4,
    TYPE_ANGLE = 5,
    TYPE_PCNT_FRAC = 6,
    TYPE_WORLD = 7,
    TYPE_STRING = 8,
    TYPE_FILENAME = 9,
    TYPE_HSV = 10,
    TYPE_COLOR_CHANNEL = 11,
    TYPE_TIMEVALUE = 12,
    TYPE_RADIOBTN_INDEX = 13,
    TYPE_MTL = 14,
    TYPE_TEXMAP = 15,
    TYPE_BITMAP = 16,
    TYPE_INODE = 17,
    TYPE_REFTARG = 18,
    TYPE_INDEX = 19,
    TYPE_MATRIX3 = 20,
    TYPE_PBLOCK2 = 21,
    TYPE_POINT4 = 22,
    TYPE_FRGBA = 23,
    TYPE_ENUM = 24,
    TYPE_VOID = 25,
    TYPE_INTERVAL = 26,
    TYPE_ANGAXIS = 27,
    TYPE_QUAT = 28,
    TYPE_RAY = 29,
    TYPE_POINT2 = 30,
    TYPE_BITARRAY = 31,
    TYPE_CLASS = 32,
    TYPE_MESH = 33,
    TYPE_OBJECT = 34,
    TYPE_CONTROL = 35,
    TYPE_POINT = 36,
    TYPE_TSTR = 37,
    TYPE_IOBJECT = 38,
    TYPE_INTERFACE = 39,
    TYPE_HWND = 40,
    TYPE_NAME = 41,
    TYPE_COLOR = 42,
    TYPE_FPVALUE = 43,
    TYPE_VALUE = 44,
    TYPE_DWORD = 45,
    TYPE_bool = 46,
    TYPE_INTPTR = 47,
    TYPE_INT64 = 48,
    TYPE_DOUBLE = 49,

    TYPE_TAB = 0x0800,    // a table of the base type
    TYPE_BY_REF = 0x1000, // passed by reference: the callee may write the argument back
    TYPE_BY_VAL = 0x2000,
    TYPE_BY_PTR = 0x4000,

    TYPE_FLOAT_TAB = TYPE_FLOAT + TYPE_TAB,
    TYPE_INT_TAB = TYPE_INT + TYPE_TAB,
    TYPE_RGBA_TAB = TYPE_RGBA + TYPE_TAB,
    TYPE_POINT3_TAB = TYPE_POINT3 + TYPE_TAB,
    TYPE_BOOL_TAB = TYPE_BOOL + TYPE_TAB,
    TYPE_STRING_TAB = TYPE_STRING + TYPE_TAB,
    TYPE_FILENAME_TAB = TYPE_FILENAME + TYPE_TAB,
    TYPE_MTL_TAB = TYPE_MTL + TYPE_TAB,
    TYPE_TEXMAP_TAB = TYPE_TEXMAP + TYPE_TAB,
    TYPE_INODE_TAB = TYPE_INODE + TYPE_TAB,
    TYPE_REFTARG_TAB = TYPE_REFTARG + TYPE_TAB,
    TYPE_INDEX_TAB = TYPE_INDEX + TYPE_TAB,
    TYPE_TSTR_TAB = TYPE_TSTR + TYPE_TAB,
    TYPE_INTERFACE_TAB = TYPE_INTERFACE + TYPE_TAB,

    TYPE_FLOAT_BR = TYPE_FLOAT + TYPE_BY_REF,
    TYPE_INT_BR = TYPE_INT + TYPE_BY_REF,
    TYPE_BOOL_BR = TYPE_BOOL + TYPE_BY_REF,
    TYPE_INDEX_BR = TYPE_INDEX + TYPE_BY_REF,
    TYPE_POINT3_BR = TYPE_POINT3 + TYPE_BY_REF,
    TYPE_STRING_BR = TYPE_STRING + TYPE_BY_REF,
    TYPE_TSTR_BR = TYPE_TSTR + TYPE_BY_REF,
    TYPE_BITARRAY_BR = TYPE_BITARRAY + TYPE_BY_REF,
    TYPE_INODE_TAB_BR = TYPE_INODE_TAB + TYPE_BY_REF,
    TYPE_INT_TAB_BR = TYPE_INT_TAB + TYPE_BY_REF,
    TYPE_INDEX_TAB_BR = TYPE_INDEX_TAB + TYPE_BY_REF,

    TYPE_KEYARG_MARKER = 253,
    TYPE_UNSPECIFIED = 255,
};

using BlockID = short;
using ParamID = short;
using StringResID = int;

constexpr ParamType2 base_type(int t) { return static_cast<ParamType2>(t & ~(TYPE_TAB | TYPE_BY_REF | TYPE_BY_VAL | TYPE_BY_PTR)); }
constexpr bool is_tab(int t) { return (t & TYPE_TAB) != 0; }
constexpr bool is_by_ref(int t) { return (t & TYPE_BY_REF) != 0; }
// The type without its passing convention (by reference, value or pointer), keeping the table flag.
constexpr ParamType2 root_type(int t) { return static_cast<ParamType2>(t & ~(TYPE_BY_REF | TYPE_BY_VAL | TYPE_BY_PTR)); }

// "TYPE_INODE_TAB", "TYPE_INDEX_BR"; unknown numbers print as "TYPE_<n>".
std::string ParamTypeName(int type);
