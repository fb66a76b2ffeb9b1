// The scene dump, built from the dumps of controllers, object pipelines, materials, layers and sets.
#include "host/scene/SceneDump.h"

#include "host/scene/Control.h"
#include "host/scene/ILayer.h"
#include "host/scene/INode.h"
#include "host/scene/INodeDisplayProperties.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/scene/NamedSelectionSets.h"
#include "host/scene/Object.h"
#include "host/scene/controllers/ControlDump.h"
#include "host/scene/nodes/Node.h"
#include "host/scene/objects/ObjectDump.h"

#include <cstdio>
#include <iterator>
#include <ostream>
#include <sstream>

namespace {

std::string Pad(int n) { return std::string(static_cast<size_t>(n < 0 ? 0 : n), ' '); }
std::string Q(const MCHAR* s) { return "\"" + WStr(s ? s : L"").ToUTF8() + "\""; }
std::string Hex(unsigned long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%lX", v);
    return buf;
}
std::string F(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", static_cast<double>(v));
    return buf;
}
std::string P3(const Point3& p) { return "(" + F(p.x) + ", " + F(p.y) + ", " + F(p.z) + ")"; }
std::string Q4(const Quat& q) { return "(" + F(q.x) + ", " + F(q.y) + ", " + F(q.z) + ", " + F(q.w) + ")"; }

// The node's own properties that differ from a new node's, on one line.
std::string Properties(INode* n) {
    std::string s;
    auto add = [&s](const std::string& part) { s += (s.empty() ? "" : " ") + part; };
    if (n->GetWireColor() != NODE_DEFAULT_WIRE_COLOR) add("wire " + Hex(n->GetWireColor()));
    if (n->GetDisplayFlags()) add("display " + Hex(n->GetDisplayFlags()));
    if (n->GetDisplayByte(0) || n->GetDisplayByte(1))
        add("display bytes " + std::to_string(n->GetDisplayByte(0)) + " " + std::to_string(n->GetDisplayByte(1)));
    if (n->GetRenderFlags() != NODE_DEFAULT_RENDER_FLAGS) add("render " + Hex(n->GetRenderFlags()));
    for (int i = 0; i < 3; ++i)
        if (n->GetRenderValue(i)) add("render value " + std::to_string(i) + " " + std::to_string(n->GetRenderValue(i)));
    if (n->GetBoneNodeOnOff()) add("bone on");
    if (n->GetBoneFlags()) add("bone flags " + Hex(n->GetBoneFlags()));
    if (n->GetBoneAxis()) add("bone axis " + std::to_string(n->GetBoneAxis()));
    if (n->GetBoneAxisFlip()) add("bone flip");
    const float factors[] = {n->GetObjectBlurMultiplier(), n->GetGIIlluminationMultiplier(), n->GetGIReflectanceScale(),
                             n->GetGITransmittanceScale(), n->GetGIIndirectMultiplier()};
    for (size_t i = 0; i < std::size(factors); ++i)
        if (factors[i] != 1.0f) add("render factor " + std::to_string(i) + " " + F(factors[i]));
    if (auto* d = static_cast<INodeDisplayProperties*>(n->GetInterface(NODE_DISPLAY_PROPERTIES_INTERFACE))) {
        DWORD bits = 0;
        for (DWORD prop : {NODE_DISP_SHOW_LINKS, NODE_REND_OCCLUDED_OBJECTS, NODE_REND_HIDE_FROM_REFLECTIONS,
                           NODE_REND_HIDE_FROM_CAMERA})
            if (d->GetNodeDisplayProperty(prop)) bits |= prop;
        if (bits) add("display interface " + Hex(bits));
    }
    BYTE group = 0;
    if (n->IsGroupMember()) group |= NODE_GROUP_MEMBER;
    if (n->IsGroupHead()) group |= NODE_GROUP_HEAD;
    if (n->IsOpenGroupMember()) group |= NODE_GROUP_OPEN_MEMBER;
    if (n->IsOpenGroupHead()) group |= NODE_GROUP_OPEN_HEAD;
    if (group) add("group " + Hex(group));
    DWORD locks = 0;
    for (int t = 0; t < 3; ++t)
        for (int a = 0; a < 3; ++a)
            if (n->GetTransformLock(t, a)) locks |= 1u << (t * 3 + a);
    if (locks) add("locks " + Hex(locks));
    if (!(n->GetObjOffsetPos() == Point3())) add("offset pos " + P3(n->GetObjOffsetPos()));
    if (!n->GetObjOffsetRot().IsIdentity()) add("offset rot " + Q4(n->GetObjOffsetRot()));
    const ScaleValue sv = n->GetObjOffsetScale();
    if (!(sv.s == Point3(1, 1, 1)) || !sv.q.IsIdentity()) add("offset scale " + P3(sv.s) + " " + Q4(sv.q));
    if (!(n->GetSkinPos() == Point3())) add("skin pos " + P3(n->GetSkinPos()));
    if (!(n->GetSkinRotEuler() == Point3())) add("skin rot " + P3(n->GetSkinRotEuler()));
    if (!(n->GetSkinScale() == Point3(1, 1, 1))) add("skin scale " + P3(n->GetSkinScale()));
    if (!n->GetSkinScaleOrient().IsIdentity()) add("skin scale orient " + Q4(n->GetSkinScaleOrient()));
    if (n->Selected()) add("selected");
    if (INode* t = n->GetTarget()) add("target " + Q(t->GetName()));
    return s;
}

} // namespace

void DumpNode(INode* node, std::ostream& os, int indent) {
    if (!node) {
        os << Pad(indent) << "null\n";
        return;
    }
    const std::string pad = Pad(indent + 2);
    os << Pad(indent) << (node->IsRootNode() ? "root " : "node ") << Q(node->GetName()) << "\n";
    if (!node->IsRootNode()) {
        if (ILayer* l = node->GetLayer()) os << pad << "layer " << Q(l->GetName().c_str()) << "\n";
        if (Control* tm = node->GetTMController()) os << pad << "transform: " << DumpController(tm, 0).ToUTF8() << "\n";
        for (int sub : {NODE_SUBANIM_VISIBILITY, NODE_SUBANIM_IMAGE_BLUR_MULT, NODE_SUBANIM_OBJECT_BLUR_ON})
            if (Animatable* c = node->SubAnim(sub))
                os << pad << node->SubAnimName(sub).ToUTF8() << ": " << DumpController(c, 0).ToUTF8() << "\n";
        if (Object* o = node->GetObjOrWSMRef()) {
            os << pad << "object:\n";
            DumpObjectPipeline(o, os, indent + 4);
        }
        if (Mtl* m = node->GetMtl()) {
            os << pad << "material:\n";
            DumpMtlBase(m, os, indent + 4);
        }
        const std::string props = Properties(node);
        if (!props.empty()) os << pad << "properties: " << props << "\n";
        const MSTR user = node->GetUserPropBuffer();
        if (!user.isNull()) os << pad << "user properties: " << Q(user.c_str()) << "\n";
    }
    for (int i = 0; i < node->NumberOfChildren(); ++i) DumpNode(node->GetChildNode(i), os, indent + 2);
}

std::string DumpNode(INode* node, int indent) {
    std::ostringstream os;
    DumpNode(node, os, indent);
    return os.str();
}

void DumpScene(std::ostream& os, Interface* ip) {
    if (!ip) ip = GetCOREInterface();
    INode* root = ip->GetRootNode();
    os << "scene\n";
    DumpNode(root, os, 2);
    if (root && root->GetXRefFileCount() > 0) {
        os << "external scenes\n";
        for (int i = 0; i < root->GetXRefFileCount(); ++i) {
            os << "  [" << i << "] " << Q(root->GetXRefFile(i).c_str()) << "\n";
            INode* tree = root->GetXRefTree(i);
            for (int c = 0; tree && c < tree->NumberOfChildren(); ++c) DumpNode(tree->GetChildNode(c), os, 4);
        }
    }
    if (ILayerManager* lm = ip->GetLayerManager()) {
        os << "layers\n";
        DumpLayers(lm, os, 2);
    }
    if (MtlBaseLib* lib = ip->GetSceneMtls()) {
        os << "material library\n";
        DumpMtlBaseLib(lib, os, 2);
    }
    if (INamedSelectionSetManager* sets = ip->GetNamedSelectionSetManager()) {
        os << "selection sets\n";
        DumpNamedSelSets(sets, os, 2);
    }
    os << "selection:";
    for (int i = 0; i < ip->GetSelNodeCount(); ++i) os << (i ? ", " : " ") << Q(ip->GetSelNode(i)->GetName());
    os << "\n";
}

std::string DumpScene(Interface* ip) {
    std::ostringstream os;
    DumpScene(os, ip);
    return os.str();
}
