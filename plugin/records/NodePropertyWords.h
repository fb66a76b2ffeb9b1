// How a node record packs a node's display, render, bone, grouping and lock properties into its stored
// words: one assignment, used both to read a node and to write the stored words back onto a node.
#pragma once

#include <cstdint>

class INode;

// Display word bits 0x1 to 0x2000, and two display bytes.
struct NodeDisplayWords {
    std::uint16_t word = 0;
    std::uint8_t bytes[2] = {0, 0};
};
constexpr std::uint16_t DISPLAY_WORD_HIDDEN = 0x1;
constexpr std::uint16_t DISPLAY_WORD_FROZEN = 0x2;
constexpr std::uint16_t DISPLAY_WORD_PROPS = 0x1FFC;      // 0x4 to 0x1000: the node's display flags
constexpr std::uint16_t DISPLAY_WORD_SHOW_LINKS = 0x2000; // kept by the node display interface

// Render word (bits 0x1 to 0x40000 from the node's render flags, 0x20000000 to 0x80000000 from the node
// display interface), five values (three used) and nine floats (seven used).
struct NodeRenderWords {
    std::uint32_t word = 0;
    std::int32_t values[5] = {0, 0, 0, 0, 0};
    float floats[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
};
constexpr std::uint32_t RENDER_WORD_FLAGS = 0x7FFFF;
constexpr std::uint32_t RENDER_WORD_INTERFACE_BITS = 0xE0000000;

// Bone byte (0x1 bone on, 0x2 auto-align, 0x4 freeze length, 0x10 scale stretch), then the bone axis and
// its flip.
struct NodeBoneWords {
    std::uint8_t byte = 0;
    std::uint8_t bytes[2] = {0, 0};
};

NodeDisplayWords ReadDisplayWords(INode* node);
// The display properties of bits 0x4 to 0x1000 and the two bytes; bit 0x2000 through the display
// interface, switched off around the other properties while it is on, then set to the word's bit.
void ApplyDisplayProps(INode* node, const NodeDisplayWords& w);
NodeRenderWords ReadRenderWords(INode* node);
// Render flags, values and floats (animatable ones at time 0), and the interface's three render bits.
void ApplyRenderProps(INode* node, const NodeRenderWords& w);
NodeBoneWords ReadBoneWords(INode* node);
void ApplyBoneProps(INode* node, const NodeBoneWords& w);
// 0x1 group member, 0x2 group head, 0x4 open group member, 0x8 open group head.
std::uint8_t ReadGrouping(INode* node);
void ApplyGrouping(INode* node, std::uint8_t grouping);
// Move X, Y, Z = 0x1, 0x2, 0x4; rotate 0x8, 0x10, 0x20; scale 0x40, 0x80, 0x100.
std::uint16_t ReadTransformLocks(INode* node);
void ApplyTransformLocks(INode* node, std::uint16_t locks);
// Floats compare exactly; a NaN on either side is a difference.
bool SameFloats(const float* a, const float* b, int count);
