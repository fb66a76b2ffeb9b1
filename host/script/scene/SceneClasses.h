// The host's plug-in classes as script classes: their script names, the super class names the language
// shows, and constructors ("Box length:10", "Bend angle:30", "Bezier_Float()").
#pragma once

#include "host/core/MaxTypes.h"
#include "host/script/Value.h"

#include <memory>
#include <string>

class Animatable;
class ClassDesc;
class Interpreter;
class INode;

// "Box", "Edit_Poly", "Omnilight", "Bezier_Float", "Standardmaterial", "Multimaterial", "PRS".
std::wstring ScriptClassName(ClassDesc* cd);
// The script class name of an animatable's class (its descriptor's, or its class name made a word).
std::wstring ScriptClassNameOf(Animatable* anim);
// "GeometryClass", "light", "modifier", "material", "textureMap", "FloatController", ...
std::wstring ScriptSuperClassName(SClass_ID sid);

// A class of the class directory. Constructing an object class creates a node for it (named by name:
// or automatically, "Box001"); other classes give the new instance. Keyword arguments set properties.
class SceneClass : public ScriptClass {
public:
    SceneClass(std::wstring name, std::shared_ptr<ScriptClass> super, SClass_ID sid, Class_ID cid);
    bool CanConstruct() const override { return true; }
    Value Construct(Interpreter& interp, CallArgs& args) override;
    SClass_ID SuperID() const { return sid_; }
    Class_ID ClassId() const { return cid_; }

private:
    SClass_ID sid_;
    Class_ID cid_;
};

// Registers a script class for every class of the directory that has none yet (and the super classes).
// Cheap when nothing was added since the last call; call it again after loading plug-in modules.
void RefreshSceneClasses(Interpreter& interp);

// A name no scene node carries: base + three digits, counting up from 1 ("Box001").
std::wstring UniqueNodeName(const std::wstring& base);
// The base of automatic names for a class ("Box", "Omni", "Spot", "Camera").
std::wstring AutoNameBase(Animatable* obj);
// Applies keyword arguments as properties of a value (constructors and "new" helpers); name: first.
void ApplyKeywords(Interpreter& interp, const Value& target, const CallArgs& args);
