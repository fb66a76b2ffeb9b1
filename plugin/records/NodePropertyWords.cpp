// The packing of a node's display, render, bone, grouping and lock properties into a record's words.
#include "plugin/records/NodePropertyWords.h"

#include "host/scene/INode.h"
#include "host/scene/INodeDisplayProperties.h"


namespace {

INodeDisplayProperties* DisplayInterface(INode* node) {
    return static_cast<INodeDisplayProperties*>(node->GetInterface(NODE_DISPLAY_PROPERTIES_INTERFACE));
}

constexpr DWORD kInterfaceRenderBits[] = {NODE_REND_OCCLUDED_OBJECTS, NODE_REND_HIDE_FROM_REFLECTIONS,
                                          NODE_REND_HIDE_FROM_CAMERA};
constexpr BYTE kBoneFlagBits = NODE_BONE_AUTO_ALIGN | NODE_BONE_FREEZE_LENGTH | NODE_BONE_SCALE_STRETCH;


bool SameFloat(float a, float b) {
    return a == b; // false for a NaN on either side
}

} // namespace

NodeDisplayWords ReadDisplayWords(INode* node) {
    NodeDisplayWords w;
    const DWORD flags = node->GetDisplayFlags();
    w.word = static_cast<std::uint16_t>(flags & (DISPLAY_WORD_HIDDEN | DISPLAY_WORD_FROZEN | DISPLAY_WORD_PROPS));
    if (INodeDisplayProperties* d = DisplayInterface(node); d && d->GetNodeDisplayProperty(NODE_DISP_SHOW_LINKS))
        w.word |= DISPLAY_WORD_SHOW_LINKS;
    w.bytes[0] = node->GetDisplayByte(0);
    w.bytes[1] = node->GetDisplayByte(1);
    return w;
}

void ApplyDisplayProps(INode* node, const NodeDisplayWords& w) {
    INodeDisplayProperties* d = DisplayInterface(node);
    if (d && d->GetNodeDisplayProperty(NODE_DISP_SHOW_LINKS)) d->SetNodeDisplayProperty(NODE_DISP_SHOW_LINKS, FALSE);
    const DWORD flags = node->GetDisplayFlags();
    node->SetDisplayFlags((flags & ~static_cast<DWORD>(DISPLAY_WORD_PROPS)) | (w.word & DISPLAY_WORD_PROPS));
    node->SetDisplayByte(0, w.bytes[0]);
    node->SetDisplayByte(1, w.bytes[1]);
    if (d) d->SetNodeDisplayProperty(NODE_DISP_SHOW_LINKS, (w.word & DISPLAY_WORD_SHOW_LINKS) ? TRUE : FALSE);
}

NodeRenderWords ReadRenderWords(INode* node) {
    NodeRenderWords w;
    w.word = node->GetRenderFlags() & RENDER_WORD_FLAGS;
    if (INodeDisplayProperties* d = DisplayInterface(node))
        for (DWORD bit : kInterfaceRenderBits)
            if (d->GetNodeDisplayProperty(bit)) w.word |= bit;
    for (int i = 0; i < 3; ++i) w.values[i] = node->GetRenderValue(i);
    w.values[2] &= 0xFFFF;
    w.floats[0] = node->GetVisibility(0);
    w.floats[1] = node->GetImageBlurMultiplier(0);
    // The five plain render factors follow visibility and image blur.
    w.floats[2] = node->GetObjectBlurMultiplier();
    w.floats[3] = node->GetGIIlluminationMultiplier();
    w.floats[4] = node->GetGIReflectanceScale();
    w.floats[5] = node->GetGITransmittanceScale();
    w.floats[6] = node->GetGIIndirectMultiplier();
    return w;
}

void ApplyRenderProps(INode* node, const NodeRenderWords& w) {
    node->SetRenderFlags((node->GetRenderFlags() & ~RENDER_WORD_FLAGS) | (w.word & RENDER_WORD_FLAGS));
    for (int i = 0; i < 3; ++i) node->SetRenderValue(i, i == 2 ? (w.values[i] & 0xFFFF) : w.values[i]);
    // Only a value that differs is set: setting an animatable one makes its controller.
    if (!SameFloat(node->GetVisibility(0), w.floats[0])) node->SetVisibility(0, w.floats[0]);
    if (!SameFloat(node->GetImageBlurMultiplier(0), w.floats[1])) node->SetImageBlurMultiplier(0, w.floats[1]);
    node->SetObjectBlurMultiplier(w.floats[2]);
    node->SetGIIlluminationMultiplier(w.floats[3]);
    node->SetGIReflectanceScale(w.floats[4]);
    node->SetGITransmittanceScale(w.floats[5]);
    node->SetGIIndirectMultiplier(w.floats[6]);
    if (INodeDisplayProperties* d = DisplayInterface(node))
        for (DWORD bit : kInterfaceRenderBits) d->SetNodeDisplayProperty(bit, (w.word & bit) ? TRUE : FALSE);
}

NodeBoneWords ReadBoneWords(INode* node) {
    NodeBoneWords w;
    w.byte = static_cast<std::uint8_t>((node->GetBoneNodeOnOff() ? 0x1 : 0) | (node->GetBoneFlags() & kBoneFlagBits));
    w.bytes[0] = static_cast<std::uint8_t>(node->GetBoneAxis());
    w.bytes[1] = node->GetBoneAxisFlip() ? 1 : 0;
    return w;
}

void ApplyBoneProps(INode* node, const NodeBoneWords& w) {
    node->SetBoneNodeOnOff((w.byte & 0x1) ? TRUE : FALSE, 0);
    node->SetBoneFlags(static_cast<BYTE>((node->GetBoneFlags() & ~kBoneFlagBits) | (w.byte & kBoneFlagBits)));
    node->SetBoneAxis(w.bytes[0]);
    node->SetBoneAxisFlip(w.bytes[1] ? TRUE : FALSE);
}

std::uint8_t ReadGrouping(INode* node) {
    return static_cast<std::uint8_t>((node->IsGroupMember() ? 0x1 : 0) | (node->IsGroupHead() ? 0x2 : 0) |
                                     (node->IsOpenGroupMember() ? 0x4 : 0) | (node->IsOpenGroupHead() ? 0x8 : 0));
}

void ApplyGrouping(INode* node, std::uint8_t grouping) {
    node->SetGroupMember((grouping & 0x1) ? TRUE : FALSE);
    node->SetGroupHead((grouping & 0x2) ? TRUE : FALSE);
    node->SetGroupMemberOpen((grouping & 0x4) ? TRUE : FALSE);
    node->SetGroupHeadOpen((grouping & 0x8) ? TRUE : FALSE);
}

std::uint16_t ReadTransformLocks(INode* node) {
    std::uint16_t locks = 0;
    for (int type = INODE_LOCKPOS; type <= INODE_LOCKSCL; ++type)
        for (int axis = INODE_LOCK_X; axis <= INODE_LOCK_Z; ++axis)
            if (node->GetTransformLock(type, axis)) locks = static_cast<std::uint16_t>(locks | (1u << (type * 3 + axis)));
    return locks;
}

void ApplyTransformLocks(INode* node, std::uint16_t locks) {
    for (int type = INODE_LOCKPOS; type <= INODE_LOCKSCL; ++type)
        for (int axis = INODE_LOCK_X; axis <= INODE_LOCK_Z; ++axis)
            node->SetTransformLock(type, axis, (locks >> (type * 3 + axis)) & 1u ? TRUE : FALSE);
}

bool SameFloats(const float* a, const float* b, int count) {
    for (int i = 0; i < count; ++i)
        if (!SameFloat(a[i], b[i])) return false;
    return true;
}
