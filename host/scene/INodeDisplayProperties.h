// The node display interface: node properties kept outside the display and render words, reached through
// INode::GetInterface(NODE_DISPLAY_PROPERTIES_INTERFACE).
#pragma once

#include "host/core/BaseInterface.h"
#include "host/core/MaxTypes.h"

constexpr Interface_ID NODE_DISPLAY_PROPERTIES_INTERFACE(0x3A2E4F11, 0x6C0B2D05);

// The properties it keeps, named by the bit each takes in the node's display word (links) and render word
// (the three render bits). All start off.
// NODE_DISP_SHOW_LINKS (0x2000, INode.h): the links to the node's children are drawn.
constexpr DWORD NODE_REND_OCCLUDED_OBJECTS = 0x20000000;    // objects behind the node still render
constexpr DWORD NODE_REND_HIDE_FROM_REFLECTIONS = 0x40000000; // invisible in reflections and refractions
constexpr DWORD NODE_REND_HIDE_FROM_CAMERA = 0x80000000;    // invisible to the camera, still casts light
constexpr DWORD NODE_DISPLAY_INTERFACE_RENDER_BITS =
    NODE_REND_OCCLUDED_OBJECTS | NODE_REND_HIDE_FROM_REFLECTIONS | NODE_REND_HIDE_FROM_CAMERA;

// A change notifies the node's dependents REFMSG_SUBANIM_STRUCTURE_CHANGED with PART_DISPLAY (the node
// keeps these properties as data below itself, as it keeps its custom attributes) and puts a restore
// object while the hold is open.
class INodeDisplayProperties : public BaseInterface {
public:
    Interface_ID GetID() override { return NODE_DISPLAY_PROPERTIES_INTERFACE; }
    BaseInterface* GetInterface(Interface_ID id) override {
        return id == NODE_DISPLAY_PROPERTIES_INTERFACE ? this : BaseInterface::GetInterface(id);
    }
    // prop: NODE_DISP_SHOW_LINKS or one of the three render bits; any other value reads FALSE and sets
    // nothing.
    virtual BOOL GetNodeDisplayProperty(DWORD prop) = 0;
    virtual void SetNodeDisplayProperty(DWORD prop, BOOL on) = 0;
};
