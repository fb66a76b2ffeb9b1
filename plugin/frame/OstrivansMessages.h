// The codes the module sends: broadcast notifications for scripts and other plug-ins, and the reference
// messages that carry host node events to the records.
#pragma once

#include "host/core/RefMessages.h"

// Broadcast with BroadcastNotification. The four load/unload codes pass the helper as the call
// parameter; the two batch codes pass nothing.
constexpr int NOTIFY_OSTRIVANS_PRE_UNLOAD = 0xDFA2;
constexpr int NOTIFY_OSTRIVANS_POST_UNLOAD = 0xDFA3;
constexpr int NOTIFY_OSTRIVANS_PRE_LOAD = 0xDFA4;
// Also sent when the load was refused.
constexpr int NOTIFY_OSTRIVANS_POST_LOAD = 0xDFA5;
// End of the batch opening step / start of the batch closing step.
constexpr int NOTIFY_OSTRIVANS_BATCH_OPENED = 0xDFA6;
constexpr int NOTIFY_OSTRIVANS_BATCH_CLOSING = 0xDFA7;

// Reference messages sent to the direct dependents of a merged item (no propagation unless stated), so the
// record mirroring the item hears of host events that do not come as reference messages.
//
// To a merged material's record dependents only: the load renamed the material to make its name unique.
constexpr RefMessage REFMSG_OSTRIVANS_MTL_RENAMED = 0x8663df11;
// To a node: it was linked to a new parent (or unlinked).
constexpr RefMessage REFMSG_OSTRIVANS_NODE_LINKED = 0x8663df12;
// To the new parent of a linked node (never the scene root); the part is the child node.
constexpr RefMessage REFMSG_OSTRIVANS_CHILD_LINKED = 0x8663df13;
// To each node of a group change.
constexpr RefMessage REFMSG_OSTRIVANS_GROUP_CHANGED = 0x8663df14;
// To a node moved to another layer; the part is the host's NodeLayerChange (node, old and new layer).
constexpr RefMessage REFMSG_OSTRIVANS_LAYER_CHANGED = 0x8663df15;
// To each node whose display, render, user or bone properties changed.
constexpr RefMessage REFMSG_OSTRIVANS_DISPLAY_PROPS = 0x8663df16;
constexpr RefMessage REFMSG_OSTRIVANS_RENDER_PROPS = 0x8663df17;
constexpr RefMessage REFMSG_OSTRIVANS_USER_PROPS = 0x8663df18;
constexpr RefMessage REFMSG_OSTRIVANS_BONE_PROPS = 0x8663df19;
// To the owner of a custom attribute added or removed, propagating; the part is the host's notification
// code.
constexpr RefMessage REFMSG_OSTRIVANS_CUSTATTRIB_CHANGED = 0x8663df24;
