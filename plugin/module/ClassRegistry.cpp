// The module's class registry: 53 descriptors in a fixed order.
#include "plugin/module/ClassRegistry.h"

#include "host/core/PlugApi.h"
#include "plugin/anims/MirrorClassDescs.h"
#include "plugin/frame/EmptyBaseObject.h"
#include "plugin/frame/EmptyController.h"
#include "plugin/frame/EmptyShape.h"
#include "plugin/frame/OstrivansClassDesc.h"
#include "plugin/frame/StringTable.h"
#include "plugin/helper/OstrivansHelperClassDesc.h"
#include "plugin/records/RecordClassDescs.h"

#include <array>
#include <initializer_list>

namespace {

// The placeholders' descriptors; every other layer owns the descriptors of its classes.
struct Placeholders {
    OstrivansClassDesc emptyBaseObject{IDS_EMPTYBASEOBJECT, L"EmptyBaseObject", GEOMOBJECT_CLASS_ID,
                                       EMPTY_BASE_OBJECT_CLASS_ID, &CreateWithLoadingFlag<EmptyBaseObject>};
    OstrivansClassDesc emptyController{IDS_EMPTYCONTROLLER, L"EmptyController", CTRL_MATRIX3_CLASS_ID,
                                       EMPTY_CONTROLLER_CLASS_ID, &CreateWithLoadingFlag<EmptyController>};
    OstrivansClassDesc emptyShape{IDS_EMPTYSHAPE, L"EmptyShape", SHAPE_CLASS_ID, EMPTY_SHAPE_CLASS_ID,
                                  &CreateWithLoadingFlag<EmptyShape>};
};

// LibClassDesc order: the helper, the records, two placeholders, the holder, then the mirror classes in the
// kind list's order, with the placeholder shape between the particle test mirror and the rail clone one.
std::array<OstrivansClassDesc*, kNumRegisteredClasses> BuildTable(Placeholders& p) {
    std::array<OstrivansClassDesc*, kNumRegisteredClasses> table{};
    size_t n = 0;
    const std::initializer_list<OstrivansClassDesc*> first = {
        &GetOstrivansHelperClassDesc(), GetRefBaseClassDesc(),  GetRefNodeClassDesc(),  GetRefMaterialClassDesc(),
        &p.emptyBaseObject,             &p.emptyController,     GetRefHolderClassDesc()};
    for (OstrivansClassDesc* d : first)
        table[n++] = d;
    for (OstrivansClassDesc* d : MirrorClassDescs()) {
        if (n == kRegistryEmptyShape) table[n++] = &p.emptyShape;
        if (n < table.size()) table[n++] = d;
    }
    return table;
}

struct Registry {
    Placeholders placeholders;
    std::array<OstrivansClassDesc*, kNumRegisteredClasses> table = BuildTable(placeholders);
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

} // namespace

int NumRegisteredClasses() {
    return kNumRegisteredClasses;
}

OstrivansClassDesc* GetRegisteredClassDesc(int i) {
    if (i < 0 || i >= kNumRegisteredClasses) return nullptr;
    return TheRegistry().table[static_cast<size_t>(i)];
}
