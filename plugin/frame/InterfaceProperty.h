// An object's script interface made on first request and kept among the object's properties.
#pragma once

#include "host/core/Animatable.h"
#include "host/core/AnimProperty.h"

// Scripts ask few of the million mirrors and records of a scene for their interfaces, so none of them is
// an interface itself (which costs every object a table pointer per interface). The interface is a small
// object that calls the one it speaks for, made the first time it is asked for and kept as that object's
// property under Property::kPropertyId: it goes with the object and is never cloned or saved.
template <class Property, class Object> Property* InterfaceProperty(Object* object) {
    AnimProperty* held = object->GetAProp(Property::kPropertyId);
    if (!held) {
        held = new Property(object);
        object->AddAProp(held);
    }
    return static_cast<Property*>(held);
}
