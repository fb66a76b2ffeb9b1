// The host's broadcast notifications: the codes, their call parameters, and the handler table.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/WStr.h"

class Animatable;
class CustAttrib;
class ILayer;
class INode;
class ModContext;
class Modifier;

// Each code below states when the host sends it and what NotifyInfo::callParam points to. Codes that a
// plug-in invents for its own broadcasts are simply other numbers: the table accepts any int.

// Units, time and viewport. callParam: null.
constexpr int NOTIFY_UNITS_CHANGE = 0x01;
constexpr int NOTIFY_TIMEUNITS_CHANGE = 0x02;
constexpr int NOTIFY_VIEWPORT_CHANGE = 0x03;
constexpr int NOTIFY_SPACEMODE_CHANGE = 0x04;

// Scene life cycle. callParam: null.
constexpr int NOTIFY_SYSTEM_PRE_RESET = 0x05;
constexpr int NOTIFY_SYSTEM_POST_RESET = 0x06;
constexpr int NOTIFY_SYSTEM_PRE_NEW = 0x07;
constexpr int NOTIFY_SYSTEM_POST_NEW = 0x08;

// What kind of file an open reads; the FILE_*_OPEN codes point at one of these.
enum FileIOType { IOTYPE_MAX = 0, IOTYPE_MATLIB = 1, IOTYPE_RENDER_PRESETS = 2 };

// A file is about to be opened / has been opened / could not be opened. callParam: FileIOType*.
constexpr int NOTIFY_FILE_PRE_OPEN = 0x09;
constexpr int NOTIFY_FILE_POST_OPEN = 0x0A;
// A file is about to be merged into the scene / has been merged. callParam: const MCHAR* full path.
constexpr int NOTIFY_FILE_PRE_MERGE = 0x0B;
constexpr int NOTIFY_FILE_POST_MERGE = 0x0C;
// The scene is about to be written / has been written. callParam: const MCHAR* full path.
constexpr int NOTIFY_FILE_PRE_SAVE = 0x0D;
constexpr int NOTIFY_FILE_POST_SAVE = 0x0E;
constexpr int NOTIFY_FILE_OPEN_FAILED = 0x0F;

// The current selection changed. callParam: null.
constexpr int NOTIFY_SELECTIONSET_CHANGED = 0x12;

// A render starts / ends. callParam: null in this host (no render parameters are modelled).
constexpr int NOTIFY_PRE_RENDER = 0x14;
constexpr int NOTIFY_POST_RENDER = 0x15;

// Node events. callParam: the INode* concerned.
constexpr int NOTIFY_NODE_CREATED = 0x3A;
// The node has a new parent. Also sent after an unlink (the new parent is then the scene root), so a
// listener needs only this code to follow every change of hierarchy.
constexpr int NOTIFY_NODE_LINKED = 0x3B;
// The node is about to leave its parent; NOTIFY_NODE_LINKED follows once it has its new one.
constexpr int NOTIFY_NODE_UNLINKED = 0x3C;
constexpr int NOTIFY_NODE_HIDE = 0x3D;
constexpr int NOTIFY_NODE_UNHIDE = 0x3E;
constexpr int NOTIFY_NODE_FREEZE = 0x3F;
// The node was unfrozen by the user or a script.
constexpr int NOTIFY_NODE_UNFREEZE = 0x40;
// The node's material is about to change / has changed.
constexpr int NOTIFY_NODE_PRE_MTL = 0x41;
constexpr int NOTIFY_NODE_POST_MTL = 0x42;
// The node entered the scene (created, merged or cloned).
constexpr int NOTIFY_SCENE_ADDED_NODE = 0x43;
// The node is about to be deleted; it is still complete and in the scene.
constexpr int NOTIFY_SCENE_PRE_DELETED_NODE = 0x44;
// The node has been taken out of the scene and is being destroyed: compare the pointer, never use it.
constexpr int NOTIFY_SCENE_POST_DELETED_NODE = 0x45;
// The user's delete command is about to delete / has deleted the selection. callParam: the INodeTab* of
// the nodes before, null after.
constexpr int NOTIFY_SEL_NODES_PRE_DELETE = 0x46;
constexpr int NOTIFY_SEL_NODES_POST_DELETE = 0x47;

// The host is shutting down (the scene is still intact) / has started. callParam: null.
constexpr int NOTIFY_SYSTEM_SHUTDOWN = 0x49;
constexpr int NOTIFY_SYSTEM_STARTUP = 0x50;

// A file's content is about to be merged into / has been merged into the scene (sent by every merge,
// also one that fails after the first, so the pairs always balance). The pairs nest when content
// merged in runs merges of its own. callParam: const MCHAR* full path.
constexpr int NOTIFY_SCENE_XREF_PRE_MERGE = 0x67;
constexpr int NOTIFY_SCENE_XREF_POST_MERGE = 0x68;

// A modifier being added to or deleted from a node's stack.
struct NotifyModAddDelParam {
    INode* node;
    Modifier* mod;
    ModContext* modContext;
};

// callParam: NotifyModAddDelParam*.
constexpr int NOTIFY_PRE_MODIFIER_ADDED = 0x71;
constexpr int NOTIFY_POST_MODIFIER_ADDED = 0x72;
constexpr int NOTIFY_PRE_MODIFIER_DELETED = 0x73;
constexpr int NOTIFY_POST_MODIFIER_DELETED = 0x74;

// Node property groups changed through the object properties, the bone tools or the layer manager.
// callParam: the INodeTab* of the nodes whose properties changed (already holding the new values).
constexpr int NOTIFY_NODE_BONE_PROPERTIES_CHANGED = 0x82;
constexpr int NOTIFY_NODE_USER_PROPERTIES_CHANGED = 0x84;

// A layer was created / is about to be deleted (still valid). callParam: the ILayer*.
constexpr int NOTIFY_LAYER_CREATED = 0x94;
constexpr int NOTIFY_LAYER_DELETED = 0x95;

// A node moved from one layer to another.
struct NodeLayerChange {
    INode* node;
    ILayer* oldLayer;
    ILayer* newLayer;
};

// The node is already on the new layer. callParam: NodeLayerChange*.
constexpr int NOTIFY_NODE_LAYER_CHANGED = 0x96;

// Old and new name of something renamed; node is the renamed node, null for other things.
struct NameChange {
    const MCHAR* oldname;
    const MCHAR* newname;
    INode* node;
};

// A node was renamed; it already carries the new name. callParam: NameChange*.
constexpr int NOTIFY_NODE_RENAMED = 0x99;

// What a scene-stream read is for; NOTIFY_FILE_PRE_OPEN_PROCESS points at one of these as an int.
enum FileProcessType { FILE_PROCESS_OPEN = 0, FILE_PROCESS_MERGE = 1, FILE_PROCESS_XREF = 2 };

// The host starts reading a scene stream, after the pre-open or pre-merge notification and before any
// object is created. callParam: int* holding the FileProcessType.
constexpr int NOTIFY_FILE_PRE_OPEN_PROCESS = 0xAE;

// Named selection sets. Created/deleted: callParam const MCHAR* set name. Pre/post modify: callParam
// const MCHAR* set name, around a change of its members. Renamed: callParam NameChange* (node null).
constexpr int NOTIFY_NAMED_SEL_SET_CREATED = 0xB8;
constexpr int NOTIFY_NAMED_SEL_SET_DELETED = 0xB9;
constexpr int NOTIFY_NAMED_SEL_SET_PRE_MODIFY = 0xBA;
constexpr int NOTIFY_NAMED_SEL_SET_POST_MODIFY = 0xBB;
constexpr int NOTIFY_NAMED_SEL_SET_RENAMED = 0xBC;

// Rendering and display property groups of nodes changed. callParam: the INodeTab* of the nodes.
constexpr int NOTIFY_NODE_RENDER_PROPERTIES_CHANGED = 0xC5;
constexpr int NOTIFY_NODE_DISPLAY_PROPERTIES_CHANGED = 0xC7;

// A custom attribute added to or removed from an animatable's attribute container.
struct NotifyCustomAttribute {
    Animatable* owner;
    CustAttrib* attrib;
};

// Sent after the container changed, so the owner's sub-animatable structure already shows the change.
// callParam: NotifyCustomAttribute*.
constexpr int NOTIFY_CUSTOM_ATTRIBUTES_ADDED = 0xD5;
constexpr int NOTIFY_CUSTOM_ATTRIBUTES_REMOVED = 0xD6;

// A merge has finished everything, including the post-load callbacks of what it created; sent after
// NOTIFY_FILE_POST_MERGE, when the merged content is complete. callParam: const MCHAR* full path.
constexpr int NOTIFY_FILE_POST_MERGE_PROCESS = 0x10B;

// What a handler receives.
struct NotifyInfo {
    int intcode;
    void* callParam;
};

using NOTIFYPROC = void (*)(void* param, NotifyInfo* info);

// Adds a handler for one code; it is called after the handlers registered before it. Registering the
// same (proc, param, code) again keeps the one entry in its place. Returns 1.
int RegisterNotification(NOTIFYPROC proc, void* param, int code);
// Removes one registration; returns 1 when it was registered.
int UnRegisterNotification(NOTIFYPROC proc, void* param, int code);
// Removes (proc, param) from every code; returns 1 when anything was removed.
int UnRegisterNotification(NOTIFYPROC proc, void* param);
// Calls every handler of code in registration order. A handler registered during the broadcast is not
// called by it; one removed before its turn is not called.
void BroadcastNotification(int code);
void BroadcastNotification(int code, void* callParam);

// The SDK name of a code ("NOTIFY_FILE_PRE_OPEN"), or its number in hexadecimal ("0xDFA2").
MSTR NotificationCodeName(int code);
// Number of handlers currently registered for code.
int NumRegisteredNotifications(int code);
// One line per code with handlers, in ascending code order: "NOTIFY_FILE_PRE_OPEN: 2 handlers".
MSTR DumpNotifications();
// For tests: removes every registration.
void ResetNotificationsForTests();
