// The pipeline dump: derived objects, modifiers, base objects and the state each class adds.
#include "host/scene/objects/ObjectDump.h"

#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"
#include "host/scene/IParamBlock.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/objects/ConfiguredObject.h"

#include <cstdio>
#include <sstream>

namespace {

std::string Pad(int indent) {
    return std::string(static_cast<size_t>(indent < 0 ? 0 : indent), ' ');
}

std::string Identity(Animatable* a) {
    MSTR name;
    a->GetClassName(name);
    char sc[32];
    std::snprintf(sc, sizeof(sc), "%x", static_cast<unsigned>(a->SuperClassID()));
    return name.ToUTF8() + " " + a->ClassID().ToString() + " super 0x" + sc;
}

// Blocks, then what the class adds.
void DumpBody(Animatable* a, std::ostream& os, int indent) {
    for (int i = 0; i < a->NumParamBlocks(); ++i)
        if (IParamBlock2* pb = a->GetParamBlock(i)) DumpParamBlock2(pb, os, indent);
    for (int i = 0; i < a->NumSubs(); ++i) {
        Animatable* sub = a->SubAnim(i);
        if (sub && sub->SuperClassID() == PARAMETER_BLOCK_CLASS_ID)
            DumpParamBlock(static_cast<IParamBlock*>(sub), os, indent);
    }
    if (auto* extra = dynamic_cast<ObjectDumpExtra*>(a)) extra->DumpExtra(os, indent);
}

const char* OnOff(BOOL b) {
    return b ? "on" : "off";
}

} // namespace

std::string DumpTargetName(ReferenceTarget* t) {
    if (!t) return "null";
    if (auto* node = dynamic_cast<INode*>(t)) return "node \"" + WStr(node->GetName()).ToUTF8() + "\"";
    MSTR name;
    t->GetClassName(name);
    return name.ToUTF8();
}

void DumpLightState(LightObject* light, std::ostream& os, int indent) {
    os << Pad(indent) << "light " << OnOff(light->GetUseLight()) << "\n";
    ExclList* list = light->GetExclList();
    if (!list || (list->Count() == 0 && list->GetFlags() == 0)) return;
    os << Pad(indent) << (list->TestFlag(NT_INCLUDE) ? "include" : "exclude") << " list";
    if (list->TestFlag(NT_AFFECT_ILLUM)) os << " illumination";
    if (list->TestFlag(NT_AFFECT_SHADOWCAST)) os << " shadows";
    os << ":";
    for (int i = 0; i < list->Count(); ++i) {
        INode* n = (*list)[i];
        os << (i ? ", " : " ") << (n ? "\"" + WStr(n->GetName()).ToUTF8() + "\"" : std::string("<deleted>"));
    }
    os << "\n";
}

void DumpNodeList(int i, const ExclList& list, std::ostream& os, int indent) {
    os << Pad(indent) << "node list " << i << ":";
    for (int k = 0; k < list.Count(); ++k) {
        INode* n = list[k];
        os << (k ? ", " : " ") << (n ? "\"" + WStr(n->GetName()).ToUTF8() + "\"" : std::string("<deleted>"));
    }
    os << "\n";
}

void DumpObjectPipeline(Object* obj, std::ostream& os, int indent) {
    if (!obj) {
        os << Pad(indent) << "null\n";
        return;
    }
    if (obj->SuperClassID() != GEN_DERIVOB_CLASS_ID) {
        os << Pad(indent) << Identity(obj) << "\n";
        DumpBody(obj, os, indent + 2);
        return;
    }
    auto* d = static_cast<IDerivedObject*>(obj);
    MSTR name;
    d->GetClassName(name);
    os << Pad(indent) << name << "\n";
    for (int i = 0; i < d->NumModifiers(); ++i) {
        Modifier* m = d->GetModifier(i);
        os << Pad(indent + 2) << "modifier " << i << ": ";
        if (!m) {
            os << "null\n";
            continue;
        }
        os << "\"" << m->GetName() << "\" " << Identity(m) << " enabled " << OnOff(m->IsEnabled())
           << ", views " << OnOff(m->IsEnabledInViews()) << ", render " << OnOff(m->IsEnabledInRender())
           << "\n";
        if (ModContext* mc = d->GetModContext(i))
            os << Pad(indent + 4) << "context: " << mc->Describe() << "\n";
        DumpBody(m, os, indent + 4);
    }
    os << Pad(indent + 2) << "object:\n";
    DumpObjectPipeline(d->GetObjRef(), os, indent + 4);
}

std::string DumpObjectPipeline(Object* obj, int indent) {
    std::ostringstream os;
    DumpObjectPipeline(obj, os, indent);
    return os.str();
}
