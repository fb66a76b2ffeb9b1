// Names of the parameter types, for dumps and error messages.
#include "host/core/ParamType.h"

namespace {
const char* BaseName(int t) {
    static const char* const kNames[] = {
        "FLOAT", "INT", "RGBA", "POINT3", "BOOL", "ANGLE", "PCNT_FRAC", "WORLD", "STRING", "FILENAME",
        "HSV", "COLOR_CHANNEL", "TIMEVALUE", "RADIOBTN_INDEX", "MTL", "TEXMAP", "BITMAP", "INODE",
        "REFTARG", "INDEX", "MATRIX3", "PBLOCK2", "POINT4", "FRGBA", "ENUM", "VOID", "INTERVAL",
        "ANGAXIS", "QUAT", "RAY", "POINT2", "BITARRAY", "CLASS", "MESH", "OBJECT", "CONTROL", "POINT",
        "TSTR", "IOBJECT", "INTERFACE", "HWND", "NAME", "COLOR", "FPVALUE", "VALUE", "DWORD", "bool",
        "INTPTR", "INT64", "DOUBLE"};
    if (t >= 0 && t < static_cast<int>(sizeof kNames / sizeof kNames[0])) return kNames[t];
    if (t == TYPE_KEYARG_MARKER) return "KEYARG_MARKER";
    if (t == TYPE_UNSPECIFIED) return "UNSPECIFIED";
    return nullptr;
}
} // namespace

std::string ParamTypeName(int type) {
    const char* base = BaseName(base_type(type));
    std::string s = "TYPE_";
    s += base ? base : std::to_string(base_type(type));
    if (is_tab(type)) s += "_TAB";
    if (is_by_ref(type)) s += "_BR";
    if (type & TYPE_BY_VAL) s += "_BV";
    if (type & TYPE_BY_PTR) s += "_BP";
    return s;
}
