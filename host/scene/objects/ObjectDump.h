// A deterministic text picture of an object pipeline, for the scene dump and for tests.
#pragma once

#include "host/scene/Object.h"

#include <iosfwd>
#include <string>

// The pipeline from obj down: derived objects with their modifiers top to bottom (name, class, enable
// states, context, parameters), then the base object (class, parameter blocks, per-class state).
//
//   Derived Object
//     modifier 0: "Bend" Bend (0x10, 0x0) super 0x810 enabled on, views on, render on
//       context: tm identity box (-12.5000, -12.5000, 0.0000) (12.5000, 12.5000, 25.0000)
//       <parameter block>
//     object:
//       Box (0x10, 0x0) super 0x10
//         <parameter block>
//         real-world map size off
void DumpObjectPipeline(Object* obj, std::ostream& os, int indent = 0);
std::string DumpObjectPipeline(Object* obj, int indent = 0);
