// Making placeholders for the content of a referenced node.
#include "plugin/frame/PlaceholderFactory.h"

#include "plugin/frame/EmptyBaseObject.h"
#include "plugin/frame/EmptyController.h"
#include "plugin/frame/EmptyShape.h"

Object* MakePlaceholderObject(Object* replaced) {
    if (replaced && replaced->SuperClassID() == SHAPE_CLASS_ID) return new EmptyShape(FALSE);
    return new EmptyBaseObject(FALSE);
}

EmptyController* MakePlaceholderController(const Matrix3& tm) {
    return new EmptyController(tm);
}
