// Reference messages, their results and the part masks that change messages carry.
#pragma once

#include "host/core/MaxTypes.h"

// What a dependent answers to a reference message. REF_STOP ends propagation through that dependent.
enum RefResult { REF_FAIL = 0, REF_SUCCEED = 1, REF_DONTCARE = 2, REF_STOP = 3, REF_INVALID = 4 };

using RefMessage = unsigned int;

// Pointer-sized, so that query messages can pass the address of an answer in the part argument.
using PartID = ULONG_PTR;

// Super class filter of NotifyDependents that lets every dependent through.
constexpr SClass_ID NOTIFY_ALL = 0xfffffff0;

// Part masks: which channels of an object a change touched. A selection or display-only change stays
// inside PART_SELECT | PART_SUBSEL_TYPE | PART_DISPLAY (0x70).
constexpr PartID PART_TOPO = 0x0001;
constexpr PartID PART_GEOM = 0x0002;
constexpr PartID PART_TEXMAP = 0x0004;
constexpr PartID PART_MTL = 0x0008;
constexpr PartID PART_SELECT = 0x0010;
constexpr PartID PART_SUBSEL_TYPE = 0x0020;
constexpr PartID PART_DISPLAY = 0x0040;
constexpr PartID PART_VERTCOLOR = 0x0080;
constexpr PartID PART_GFX_DATA = 0x0100;
constexpr PartID PART_DISP_APPROX = 0x0200;
constexpr PartID PART_TM_CHAN = 0x0400;
constexpr PartID PART_MTL_CHAN = 0x0800;
constexpr PartID PART_OBJECT_TYPE = 0x1000;
constexpr PartID PART_EXTENSION = 0x2000;
constexpr PartID ALL_CHANNELS = 0x37FF;
constexpr PartID PART_TM = 0x80000000;
constexpr PartID PART_OBJ = PART_TOPO | PART_GEOM;
constexpr PartID PART_ALL = ALL_CHANNELS | PART_TM; // 0x800037FF
// Part values of node property messages (REFMSG_NODE_DISPLAY_PROP_CHANGED): which display bit moved.
constexpr PartID PART_HIDESTATE = 0x0001;
constexpr PartID PART_FREEZESTATE = 0x0002;

// Sent by the host to test whether a new reference would close a loop; the graph answers it itself.
constexpr RefMessage REFMSG_LOOPTEST = 0x010;
// The target is being deleted; the dependent's reference to it becomes null right after this message.
constexpr RefMessage REFMSG_TARGET_DELETED = 0x020;
// A modifier application is being deleted.
constexpr RefMessage REFMSG_MODAPP_DELETING = 0x021;
// Ask dependents to evaluate.
constexpr RefMessage REFMSG_EVAL = 0x030;
// An object's origin moved.
constexpr RefMessage REFMSG_RESET_ORIGIN = 0x040;
// A value changed; the part mask says what.
constexpr RefMessage REFMSG_CHANGE = 0x050;
// Dependents flag themselves (for redraws); the part mask carries the flag.
constexpr RefMessage REFMSG_FLAGDEPENDENTS = 0x070;
// The target's selection changed.
constexpr RefMessage REFMSG_TARGET_SELECTIONCHANGE = 0x080;
// The target begins / ends being edited in a command panel.
constexpr RefMessage REFMSG_BEGIN_EDIT = 0x090;
constexpr RefMessage REFMSG_END_EDIT = 0x0A0;
// The target was disabled / enabled.
constexpr RefMessage REFMSG_DISABLE = 0x0B0;
constexpr RefMessage REFMSG_ENABLE = 0x0C0;
// The target was turned on / off in the viewports.
constexpr RefMessage REFMSG_TURNON = 0x0D0;
constexpr RefMessage REFMSG_TURNOFF = 0x0E0;
// A look-at target node was deleted.
constexpr RefMessage REFMSG_LOOKAT_TARGET_DELETED = 0x0F0;
// Invalidate if the object sits in the background.
constexpr RefMessage REFMSG_INVALIDATE_IF_BG = 0x0F1;
// A modifier's display in the viewports was switched on / off.
constexpr RefMessage REFMSG_MOD_DISPLAY_ON = 0x0F2;
constexpr RefMessage REFMSG_MOD_DISPLAY_OFF = 0x0F3;
// A modifier was evaluated.
constexpr RefMessage REFMSG_MOD_EVAL = 0x0F4;
// Query: may the topology change? The answer is written through the part argument.
constexpr RefMessage REFMSG_IS_OK_TO_CHANGE_TOPOLOGY = 0x0F5;
// A node was linked to a new parent.
constexpr RefMessage REFMSG_NODE_LINK = 0x0F6;
// A node (or a material, map or modifier) was renamed.
constexpr RefMessage REFMSG_NODE_NAMECHANGE = 0x0F7;
// A node's object reference changed.
constexpr RefMessage REFMSG_OBREF_CHANGE = 0x0F8;
// A modifier was added to an object's stack.
constexpr RefMessage REFMSG_MODIFIER_ADDED = 0x0F9;
// A controller reference changed (a controller was assigned or replaced).
constexpr RefMessage REFMSG_CONTROLREF_CHANGE = 0x0FA;
// Queries on a parameter: its name / its dimension, answered through the part argument.
constexpr RefMessage REFMSG_GET_PARAM_NAME = 0x0FB;
constexpr RefMessage REFMSG_GET_PARAM_DIM = 0x0FC;
// The target's material or map assignment was removed.
constexpr RefMessage REFMSG_TEXMAP_REMOVED = 0x0FE;
// Paste: before / after a value is pasted into the target.
constexpr RefMessage REFMSG_BEFORE_PASTE = 0x100;
constexpr RefMessage REFMSG_NOTIFY_PASTE = 0x101;
// The set or order of the target's sub-animatables changed.
constexpr RefMessage REFMSG_SUBANIM_STRUCTURE_CHANGED = 0x102;
// One of the target's own references was removed / added.
constexpr RefMessage REFMSG_REF_DELETED = 0x103;
constexpr RefMessage REFMSG_REF_ADDED = 0x104;
// A branch of the modifier history changed.
constexpr RefMessage REFMSG_BRANCHED_HISTORY_CHANGED = 0x105;
// A node's membership in a named selection set changed.
constexpr RefMessage REFMSG_NODEINSELSET_CHANGED = 0x106;
// Query: does the dependency pass through a given maker? Answered through the part argument.
constexpr RefMessage REFMSG_TEST_DEPENDENCY = 0x107;
// Query: the name of the node that owns the target, answered through the part argument.
constexpr RefMessage REFMSG_GET_NODE_NAME = 0x10C;
// Nodes were removed from the selection by a deletion.
constexpr RefMessage REFMSG_SEL_NODES_DELETED = 0x10D;
// A node's world-space cache was rebuilt.
constexpr RefMessage REFMSG_NODE_WSCACHE_UPDATED = 0x200;
// A node's wire colour changed.
constexpr RefMessage REFMSG_NODE_WIRECOLOR_CHANGED = 0x210;
// The number of sub-object types of an object changed.
constexpr RefMessage REFMSG_NUM_SUBOBJECTTYPES_CHANGED = 0x211;
// Query: the handle of the node that owns the target, answered through the part argument.
constexpr RefMessage REFMSG_GET_NODE_HANDLE = 0x212;
// A block of parameter edits ends / begins.
constexpr RefMessage REFMSG_END_MODIFY_PARAMS = 0x213;
constexpr RefMessage REFMSG_BEGIN_MODIFY_PARAMS = 0x214;
// An element of a table parameter became null because its target was deleted.
constexpr RefMessage REFMSG_TAB_ELEMENT_NULLED = 0x215;
// A node's material assignment changed.
constexpr RefMessage REFMSG_NODE_MATERIAL_CHANGED = 0x235;
// A node's rendering properties changed.
constexpr RefMessage REFMSG_NODE_RENDERING_PROP_CHANGED = 0x238;
// A node's global illumination properties changed.
constexpr RefMessage REFMSG_NODE_GI_PROP_CHANGED = 0x240;
// A node's display properties changed; the part value names the hidden (0x1) or frozen (0x2) bit.
constexpr RefMessage REFMSG_NODE_DISPLAY_PROP_CHANGED = 0x241;
// A node has been brought into the scene by a merge and is complete (sent once per merged node, after
// its references and properties are in place).
constexpr RefMessage REFMSG_NODE_POST_MERGE = 0x255;
// A modifier's displayed name changed (sent together with REFMSG_NODE_NAMECHANGE by the stack).
constexpr RefMessage REFMSG_MODIFIER_NAME_CHANGED = 0x285;

// Messages numbered from here on belong to plug-ins.
constexpr RefMessage REFMSG_USER = 0x10000;
