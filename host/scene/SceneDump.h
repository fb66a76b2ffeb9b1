// A deterministic text picture of the whole scene: the node tree with each node's pipeline, transform,
// material, layer and the properties that differ from a new node's, then layers, the material library,
// selection sets and the selection. Handles are left out, so two equal scenes print the same text.
#pragma once

#include <iosfwd>
#include <string>

class INode;
class Interface;

// One node and, indented below, its children.
void DumpNode(INode* node, std::ostream& os, int indent = 0);
std::string DumpNode(INode* node, int indent = 0);
// The scene of ip (the application object by default).
void DumpScene(std::ostream& os, Interface* ip = nullptr);
std::string DumpScene(Interface* ip = nullptr);
