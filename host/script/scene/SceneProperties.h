// Property access of scene values, one function pair per kind of animatable; the node and animatable
// values dispatch here. Each answers false when it has no such property.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/script/Value.h"

#include <string>
#include <vector>

class Animatable;
class INode;
class Interpreter;
class Modifier;
class MtlBase;
class Control;
class ILayer;

bool GetNodeProperty(Interpreter& interp, INode* node, const std::wstring& name, Value& out);
bool SetNodeProperty(Interpreter& interp, INode* node, const std::wstring& name, const Value& value);
// pos, rotation, scale and transform in the current coordsys; pivot, the object offsets, objectTransform.
bool GetNodeTransformProperty(INode* node, const std::wstring& name, Value& out);
bool SetNodeTransformProperty(INode* node, const std::wstring& name, const Value& value);

bool GetModifierProperty(Interpreter& interp, Modifier* mod, const std::wstring& name, Value& out);
bool SetModifierProperty(Interpreter& interp, Modifier* mod, const std::wstring& name, const Value& value);

bool GetMaterialProperty(Interpreter& interp, MtlBase* mtl, const std::wstring& name, Value& out);
bool SetMaterialProperty(Interpreter& interp, MtlBase* mtl, const std::wstring& name, const Value& value);
bool GetMaterialIndex(Interpreter& interp, MtlBase* mtl, const Value& index, Value& out);
bool SetMaterialIndex(Interpreter& interp, MtlBase* mtl, const Value& index, const Value& value);

bool GetControllerProperty(Interpreter& interp, Control* c, const std::wstring& name, Value& out);
// The noise controllers' parameters; false for other controllers and unknown names.
bool GetNoiseControllerProperty(Control* c, const std::wstring& name, Value& out);
bool SetNoiseControllerProperty(Control* c, const std::wstring& name, const Value& v);
// The look-at constraint's up settings; false for other controllers and names.
bool GetLookAtUpProperty(Control* c, const std::wstring& name, Value& out);
bool SetLookAtUpProperty(Control* c, const std::wstring& name, const Value& v);
bool SetControllerProperty(Interpreter& interp, Control* c, const std::wstring& name, const Value& value);
bool GetControllerIndex(Interpreter& interp, Control* c, const Value& index, Value& out);
// A controller's value at the current time as a script value; undefined for a value type it lacks.
Value ControllerValue(Control* c);
void SetControllerValue(Control* c, const Value& v);
// The same at time t (the value of a key, for instance).
Value ControllerValueAt(Control* c, TimeValue t);
void SetControllerValueAt(Control* c, TimeValue t, const Value& v);
// The list controller and constraint methods (getName, setActive, appendTarget ...).
bool CallControllerMethod(Interpreter& interp, Control* c, const std::wstring& name, CallArgs& args, Value& out);
// Whether anim or anything below it (its controllers, parameters, sub-controllers) has keys.
bool IsAnimatedTrack(Animatable* anim);
// numKeys, addNewKey, deleteKeys, deleteKey, getKeyTime, the keys of controllers; the tracks behind
// "obj.prop.controller".
void RegisterControllerKeyBuiltins(Interpreter& interp);
// Before a controller replaces another: it takes over the old one's value (an empty list controller takes
// the old controller itself as its first item).
void TakeOverValue(Control* incoming, Animatable* old);

bool GetLayerProperty(Interpreter& interp, ILayer* layer, const std::wstring& name, Value& out);
bool SetLayerProperty(Interpreter& interp, ILayer* layer, const std::wstring& name, const Value& value);
bool CallLayerMethod(Interpreter& interp, ILayer* layer, const std::wstring& name, CallArgs& args, Value& out);

// Custom attributes of anim by definition name (obj.AttrName), and their parameters directly (obj.param).
bool GetCustAttribProperty(Interpreter& interp, Animatable* anim, const std::wstring& name, Value& out);
bool SetCustAttribProperty(Interpreter& interp, Animatable* anim, const std::wstring& name, const Value& value);

// Properties of the common scene classes beyond their parameters: a light's on state, shadows and
// include/exclude lists, a camera's clipping and projection switches, an XForm's gizmo and centre, an
// editable mesh's counts.
bool GetObjectClassProperty(Interpreter& interp, Animatable* anim, const std::wstring& name, Value& out);
bool SetObjectClassProperty(Interpreter& interp, Animatable* anim, const std::wstring& name, const Value& value);
// Methods of the common scene classes: Unwrap UVW's getMapChannel and setMapChannel.
bool CallObjectClassMethod(Interpreter& interp, Animatable* anim, const std::wstring& name, CallArgs& args, Value& out);
// A light or camera of a class made with a target gets a new target node ("Camera001.Target") below it.
void MakeTargetFor(INode* looker);
// Makes target the node looker looks at (a script error for a looker whose class has no target).
void SetNodeTarget(INode* looker, INode* target);
// The .type of a standard light or camera (#omni, #targetSpot ... / #target, #free): false for another
// object. Setting puts an object of the named kind in the node's place with the settings carried over,
// making or removing the target node; a kind of the other family or an unknown name is an error.
bool GetLookerType(Animatable* anim, Value& out);
bool SetLookerType(INode* looker, const Value& type);
// A modifier of the node's stack by name ($Box01.bend: spaces read as "_", any case), top first.
bool GetNodeModifierProperty(INode* node, const std::wstring& name, Value& out);

// Raised for a property access on a value whose animatable was deleted.
[[noreturn]] void ThrowDeleted(const wchar_t* what);
// The colour a script value gives: a colour (0-255) or a point3.
::Point3 ArgColour(const Value& v);
// A point3 argument (a point or a colour).
::Point3 ArgPoint(const Value& v);
// The node's wire colour (0x00BBGGRR) as a script colour and back.
Value WireColourValue(DWORD rgb);
DWORD WireColourFrom(const Value& v);

// $node.modifiers: indexable 1-based (top of the stack first) and by name, with .count.
Value MakeModifierArray(INode* node);
// The node's object-space derived object, made (and put between node and object) when create is true.
class IDerivedObject;
IDerivedObject* NodeDerivedObject(INode* node, bool create);

// Registration of each concept's built-ins (SceneBuiltins calls them all).
void RegisterNodeBuiltins(Interpreter& interp);
// geometry, lights, cameras, helpers, shapes, isDeleted, getPropNames, getSubAnimNames, getNumSubs and the
// user property functions.
void RegisterSceneQueryBuiltins(Interpreter& interp);
void RegisterModifierBuiltins(Interpreter& interp);
void RegisterMaterialBuiltins(Interpreter& interp);
void RegisterLayerBuiltins(Interpreter& interp);
void RegisterSelectionSetBuiltins(Interpreter& interp);
void RegisterCustAttribBuiltins(Interpreter& interp);
// matrix3 and angleAxis values, the coordsys and about contexts, move, rotate, scale and inverse.
void RegisterTransformBuiltins(Interpreter& interp);
// slerp, quatToEuler and eulerToQuat.
void RegisterRotationFunctions(Interpreter& interp);
// clearListener, max commands, command panel modes, modPanel and the material editor's slots.
void RegisterApplicationBuiltins(Interpreter& interp);
// setAppData, getAppData, deleteAppData and clearAllAppData on any animatable.
void RegisterAppDataBuiltins(Interpreter& interp);
// Persistent globals kept with the scene file, and the persistents interface.
void RegisterPersistentGlobals(Interpreter& interp);
// instance, reference and groups.
void RegisterSceneClassBuiltins(Interpreter& interp);
// snapshot, the conversions to editable meshes and polys, their vertex and face functions, meshop, polyop.
void RegisterMeshBuiltins(Interpreter& interp);
// The editable spline functions (numSplines, addKnot, close ...).
void RegisterSplineBuiltins(Interpreter& interp);
// The Boolean compound's operand functions (booleanAddOperand, booleanGetOperand ...).
void RegisterBooleanBuiltins(Interpreter& interp);
// The Morpher's channel functions (WM3_MC_GetValue, WM3_MC_SetValue ...).
void RegisterMorpherBuiltins(Interpreter& interp);
// The reaction controller's functions (reactTo, addReactionState ...).
void RegisterReactionBuiltins(Interpreter& interp);
// The Data Channel modifier's operator chain (dataChannelGetOperators, dataChannelSetOperators).
void RegisterDataChannelBuiltins(Interpreter& interp);
// The link transform controller's control node (linkTransformGetNode, linkTransformSetNode).
void RegisterLinkTransformBuiltins(Interpreter& interp);
// Scene-reference objects and materials (xrefGetSource, xrefGetError, xrefReload).
void RegisterSceneRefBuiltins(Interpreter& interp);
// Container helpers (containerGetNodes, containerAddNode, containerRemoveNode).
void RegisterContainerBuiltins(Interpreter& interp);
// Bipeds (bipedCreate, bipedBeginModes, bipedLoadFile, bipedAddMixClip ...).
void RegisterBipedBuiltins(Interpreter& interp);
// CAT rigs (catCreate, catSetSetting, catAddLayer, catAddBone, catCreateIKTarget ...).
void RegisterCATBuiltins(Interpreter& interp);
// Particle flows (pfGetActions, pfAddAction, pfSetActionActive, pfConnect ...).
void RegisterParticleBuiltins(Interpreter& interp);
// The base object below the node's stack (null for none).
class Object;
Object* SceneBaseObject(INode* node);
// A node's .numVerts and .numFaces: those of the mesh its stack delivers now; false when it delivers none.
bool GetDeliveredMeshCount(INode* n, const std::wstring& name, Value& out);
// The live node a value holds; a script error naming fn for any other value.
INode* ArgSceneNode(const Value& v, const wchar_t* fn);
// A 1-based number of one of count items (a vertex, a face, a knot: what) as a 0-based index; a script
// error naming fn and the range otherwise.
int ArgIndexIn(const Value& v, int count, const std::wstring& fn, const wchar_t* what);
// The nodes a value names (a node, an array or a collection); fn names the caller in errors.
std::vector<INode*> NodesOf(Interpreter& interp, const Value& v, const wchar_t* fn);
