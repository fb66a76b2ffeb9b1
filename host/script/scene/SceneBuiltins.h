// Registration of the script language's scene built-ins.
#pragma once

class Interpreter;

// $paths, objects, selection, node functions and properties, object, modifier, material and controller
// classes and their constructors, layers (LayerManager), named selection sets (selectionSets), custom
// attributes (custAttributes), sceneMaterials and meditMaterials, quat and eulerAngles, and the host
// folders for getDir. Call RefreshSceneClasses (SceneClasses.h) after loading plug-in modules.
void RegisterSceneBuiltins(Interpreter& interp);
