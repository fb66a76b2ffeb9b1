// The children a mirror path steps through: position i below a parent animatable, its name, and the
// search that finds a recorded child again after the parent was renumbered.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/WStr.h"
#include "plugin/anims/PathName.h"

class Animatable;
class IDerivedObject;
class IParamBlock2;
class Object;
struct ParamDef;

// The child at position i of parent (reached from parentOfParent; tab is the parameter index of a
// parameter block 2 whose elements are meant, -1 otherwise) and its name. Position 0 without a tab is the
// custom attribute container ("CAC"); then the sub-animatables by their names (an empty name reads
// "unnamed"; a sub-animatable that is also a parameter block of the parent stands as null there); then
// the parameter blocks by their internal names. Derived objects give their modifiers, across nested
// derived objects, then the base object ("Object"); parameter blocks 2 give their parameters, where a
// table parameter's child is the block itself, or with a tab the table's elements ("Name[i]"). Null and
// an empty name for any position that holds nothing. A null name skips the naming, which costs a string.
Animatable* GetChild(Animatable* parent, Animatable* parentOfParent, int i, int tab, MSTR* name);
inline Animatable* GetChild(Animatable* parent, Animatable* parentOfParent, int i, int tab, MSTR& name) {
    return GetChild(parent, parentOfParent, i, tab, &name);
}
// The same with the name as a path step: a name that is a fixed text is interned without a string.
Animatable* GetChild(Animatable* parent, Animatable* parentOfParent, int i, int tab, PathName* name);
// The name GetChild gives position i, without looking for the child: for a step already taken. Names the
// parent keeps as fixed texts (a class's fixed sub-animatable names, a parameter's internal name) are
// interned without a string.
PathName ChildName(Animatable* parent, int i, int tab);

// Whether a block parameter of this definition can ever stand for a child: a table (stepped into by the
// block itself), a reference parameter, or an animatable one, which may be given a controller at any
// time. The answer comes from the block's description alone, so it holds for every block of the class: a
// parameter the host never animates (a flag, a string) holds nothing in any instance.
bool ParamMayHoldChild(const ParamDef& def);
// The same for the elements of a table parameter.
bool ElementMayHoldChild(const ParamDef& def);
// The child of block parameter index (def its definition) without a tab: the block itself for a table,
// else its controller or the target it refers to. The same child GetChild gives at position index + 1.
Animatable* BlockParamChild(IParamBlock2* pb, int index, const ParamDef& def);
// The child of element e of the table parameter index: the same child GetChild gives at position e with
// index as its tab.
Animatable* TableElementChild(IParamBlock2* pb, int index, const ParamDef& def, int e);

// The number of the child named name: the recorded number when that child still carries the name,
// else the first child with the name (none when the recorded number is out of range of a table). -1 and a
// null child when there is none.
int FindChild(Animatable* parent, Animatable* parentOfParent, int recordedNumber, const PathName& name, int tab,
              Animatable*& child);

// The modifier at a flat position across a chain of nested derived objects (0 = top of the outer
// stack): the derived object that holds it and its index there. False when flat is past the last one.
bool FlatModifierAt(IDerivedObject* top, int flat, IDerivedObject*& holder, int& local);
// The number of modifiers across the chain.
int ChainModifierCount(IDerivedObject* top);
// The object at the bottom of the chain.
Object* ChainBaseObject(IDerivedObject* top);
