// The numbering rule for clashing material names.
#include "plugin/helper/MakeUniqueName.h"

#include "host/core/UniqueName.h"

void MakeUniqueName(MSTR& name) {
    name = NextNumberedName(name, 3);
}
