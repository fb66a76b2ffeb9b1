// The per-node override flags of a node record, and the module messages a node record sends or hears.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/RefMessages.h"

// One bit per property group the user changed locally on a referenced node.
constexpr DWORD REFNODE_LOCAL_DEPENDENCY = 0x1;      // something outside the referenced content uses the node
constexpr DWORD REFNODE_OVERRIDE_NAME = 0x2;
constexpr DWORD REFNODE_NAME_WITHOUT_PREFIX = 0x4;   // the overridden name takes no prefix
constexpr DWORD REFNODE_OVERRIDE_MATERIAL = 0x8;
constexpr DWORD REFNODE_OVERRIDE_MODIFIERS = 0x10;
constexpr DWORD REFNODE_OBJECT_REPLACED = 0x20;      // no modifier or base-object tracking any more
constexpr DWORD REFNODE_OVERRIDE_PARENT = 0x40;
constexpr DWORD REFNODE_OVERRIDE_CHILDREN = 0x80;
constexpr DWORD REFNODE_OVERRIDE_GROUPING = 0x100;
constexpr DWORD REFNODE_OVERRIDE_LAYER = 0x200;
constexpr DWORD REFNODE_OVERRIDE_OBJECT_OFFSET = 0x400;
constexpr DWORD REFNODE_OVERRIDE_SKIN_POSE = 0x800;
constexpr DWORD REFNODE_OVERRIDE_WIRE_COLOR = 0x1000;
constexpr DWORD REFNODE_OVERRIDE_HIDDEN = 0x2000;
constexpr DWORD REFNODE_OVERRIDE_FROZEN = 0x4000;
constexpr DWORD REFNODE_OVERRIDE_DISPLAY_PROPS = 0x8000;
constexpr DWORD REFNODE_OVERRIDE_RENDER_PROPS = 0x10000;
constexpr DWORD REFNODE_OVERRIDE_USER_PROPS = 0x20000;
constexpr DWORD REFNODE_OVERRIDE_BONE_PROPS = 0x40000;
constexpr DWORD REFNODE_KEEP_MODIFIER_STACK = 0x80000; // the old stack is put over the fresh base object
constexpr DWORD REFNODE_OVERRIDE_TM_LOCKS = 0x100000;
constexpr DWORD REFNODE_OVERRIDE_EXCL_LIST = 0x200000;
constexpr DWORD REFNODE_OVERRIDE_OBJ_LOC_DEP = 0x400000;
constexpr DWORD REFNODE_OVERRIDE_SELECTION_SETS = 0x800000;
constexpr DWORD REFNODE_OVERRIDE_EXCL_LIST_MISC = 0x1000000;

// Super class of the module's layer records: their references to a node never count as local use.
constexpr SClass_ID REFLAYER_SUPER_CLASS_ID = 0x8663dfa7;

// A node record to its own dependents: it attached its children again, so records whose stored parent it
// is re-attach themselves.
constexpr RefMessage REFMSG_OSTRIVANS_CHILDREN_ATTACHED = 0x8663df21;
// A fresh node to its dependents, once it took over the dependents of the node it replaces.
constexpr RefMessage REFMSG_OSTRIVANS_NODE_TRANSFERRED = 0x8663df22;
// The helper, to the dependents of a node it just took into the reference.
constexpr RefMessage REFMSG_OSTRIVANS_NODE_TAKEN = 0x8663df23;
// A node record to its dependents when its node reports the end of a merge during a load.
constexpr RefMessage REFMSG_OSTRIVANS_NODE_MERGED = 0x8663dfa9;

// Object type of a bone node (a node query, whatever its object is).
constexpr DWORD REFNODE_BONE_OBJECT_TYPE = 0x28BF6E8D;
