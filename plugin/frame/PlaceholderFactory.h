// Making placeholders for the content of a referenced node.
#pragma once

#include "host/core/Matrix3.h"

class Object;
class EmptyController;

// A new placeholder for the object it replaces: an EmptyShape for a shape, an EmptyBaseObject for
// geometry, for any other super class (cameras, lights, helpers, ...) and for no object at all.
Object* MakePlaceholderObject(Object* replaced);

// A new placeholder controller holding tm (a node's recorded world transform).
EmptyController* MakePlaceholderController(const Matrix3& tm);
