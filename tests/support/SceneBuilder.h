// A fluent builder of small scenes for tests, and a fixture that gives every test a fresh scene:
//   SceneBuilder b;
//   INode* wall = b.Box("Wall01").Layer("Walls").Material(b.Standard("Brick")).Pos({10, 0, 0}).Build();
#pragma once

#include "host/core/Point3.h"
#include "host/scene/INode.h"
#include "tests/support/NotificationRecorder.h"

#include <gtest/gtest.h>

#include <string>

class ILayer;
class Mtl;
class Object;
class Modifier;

class SceneBuilder {
public:
    class NodeSpec {
    public:
        NodeSpec(Object* obj, std::string name) : obj_(obj), name_(std::move(name)) {}
        NodeSpec& Layer(const std::string& layerName);
        NodeSpec& Material(Mtl* m);
        NodeSpec& Parent(INode* parent);
        NodeSpec& Pos(const Point3& p);
        NodeSpec& Wire(DWORD color);
        // Creates the node through the application object and applies the settings.
        INode* Build();

    private:
        Object* obj_;
        std::string name_;
        std::string layer_;
        Mtl* mtl_ = nullptr;
        INode* parent_ = nullptr;
        bool hasPos_ = false;
        Point3 pos_;
        bool hasWire_ = false;
        DWORD wire_ = 0;
    };

    // Nodes holding a new object of the class (box 25 x 25 x 25, sphere, dummy helper, point helper).
    NodeSpec Box(const std::string& name);
    NodeSpec Sphere(const std::string& name);
    NodeSpec Dummy(const std::string& name);
    NodeSpec Point(const std::string& name);
    NodeSpec WithObject(Object* obj, const std::string& name);
    // New materials, named.
    Mtl* Standard(const std::string& name);
    Mtl* MultiSub(const std::string& name);
    // The layer with that name, created when missing.
    ILayer* Layer(const std::string& name);
    // A new modifier of the class on top of the node's stack (a derived object is made when the node has none).
    Modifier* AddModifier(INode* node, const Class_ID& cid);
};

// Every test starts from an empty scene and an empty undo buffer, with a recorder of the node
// notifications.
class SceneFixture : public ::testing::Test {
protected:
    SceneFixture();
    void SetUp() override;
    void TearDown() override;
    // The scene dump.
    static std::string Dump();
    // An undoable step: Begin, f(), Accept.
    template <class F> static void Step(F f, const wchar_t* name = L"Step");

    SceneBuilder b;
    NotificationRecorder rec;
};

#include "host/core/Hold.h"
template <class F> void SceneFixture::Step(F f, const wchar_t* name) {
    theHold.Begin();
    f();
    theHold.Accept(name);
}
