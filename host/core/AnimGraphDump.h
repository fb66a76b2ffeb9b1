// A deterministic text picture of the reference graph below one or more animatables.
#pragma once

#include "host/core/Animatable.h"

#include <functional>
#include <vector>

// Objects are numbered by first visit (#1, #2, ...) walking references in index order, then
// sub-animatables, then the custom attribute container, breadth first; shared targets and loops print
// as those numbers, never as addresses. One block per object:
//
//   #1 Box (0x10, 0x0) super 0x10 [locked]
//     ref 0: #2 real
//     ref 1: null
//     sub 0 "Transform": #2
//     cac: #5
//     deps: #4, (RefNode)
//
// "deps" lists the dependent entries in order: numbered when inside the dump, else the class name.
class AnimGraphDump {
public:
    struct Options {
        bool subAnims = true;
        bool dependents = true;
        bool custAttribs = true;
        // Extra text after the class name (a node's name, a test object's label); empty for none.
        std::function<MSTR(Animatable*)> label;
    };

    static MSTR Dump(Animatable* root, const Options& options);
    static MSTR Dump(Animatable* root) { return Dump(root, Options()); }
    // Several roots numbered in one pass.
    static MSTR Dump(const std::vector<Animatable*>& roots, const Options& options);
};
