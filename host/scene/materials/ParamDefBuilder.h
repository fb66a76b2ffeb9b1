// Builds the parameter definitions of the material and map classes' blocks.
#pragma once

#include "host/scene/IParamBlock2.h"

#include <vector>

// A definition with a valid local name (a non-negative string id, so the parameter counts as described)
// and the given default; tables start with tabSize elements.
inline ParamDef MakeParamDef(ParamID id, const MCHAR* name, int type, int flags, const PB2Value& def,
                             int tabSize = 0) {
    ParamDef d;
    d.ID = id;
    d.int_name = name;
    d.type = type;
    d.flags = flags;
    d.local_name = static_cast<StringResID>(id);
    d.def = def;
    d.tab_size = tabSize;
    return d;
}

// Whether two layouts define the same parameters (ids, names, types, flags, table sizes) in the same order.
inline bool SameParamLayout(const std::vector<ParamDef>& a, const std::vector<ParamDef>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].ID != b[i].ID || a[i].type != b[i].type || a[i].flags != b[i].flags ||
            WStr(a[i].int_name) != WStr(b[i].int_name) || a[i].tab_size != b[i].tab_size)
            return false;
    return true;
}
