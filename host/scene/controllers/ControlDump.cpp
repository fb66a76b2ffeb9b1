// Controllers as one line of text.
#include "host/scene/controllers/ControlDump.h"

#include "host/core/PlugApi.h"
#include "host/scene/INode.h"
#include "host/scene/controllers/ControlValue.h"

namespace {

MSTR Quoted(const MSTR& s) { return L"\"" + s + L"\""; }

MSTR NodeName(INode* n) { return n ? MSTR(n->GetName()) : MSTR(L"null"); }

void AddExtras(Control* c, MSTR& out) {
    if (const int k = c->NumKeys()) out += WStr::Format(L" keys %d", k);
    if (!c->IsReplaceable()) out += L" not-replaceable";
    if (!c->CanCopyAnim()) out += L" no-copy-anim";
    if (auto* list = static_cast<IListControl*>(c->GetInterface(LIST_CONTROLLER_INTERFACE))) {
        out += WStr::Format(L" active %d weights (", list->GetActive());
        for (int i = 0; i < list->GetListCount(); ++i) {
            if (i) out += L", ";
            out += ctrl_detail::Num(list->GetSubCtrlWeight(i));
        }
        out += L")";
    }
    if (IConstraintTargets* ct = GetConstraintTargets(c)) {
        out += L" targets [";
        for (int i = 0; i < ct->GetNumTargets(); ++i) {
            if (i) out += L", ";
            out += Quoted(NodeName(ct->GetNode(i))) + L" " + ctrl_detail::Num(ct->GetTargetWeight(i));
        }
        out += L"]";
    }
    if (auto* link = static_cast<ILinkCtrl*>(c->GetInterface(LINK_CONSTRAINT_INTERFACE))) {
        out += L" links [";
        for (int i = 0; i < link->GetNumTargets(); ++i) {
            if (i) out += L", ";
            out += Quoted(NodeName(link->GetNode(i))) + WStr::Format(L"@%d", link->GetLinkTime(i));
        }
        out += L"]";
    }
}

} // namespace

MSTR DumpController(Animatable* anim, TimeValue t) {
    if (!anim) return L"null";
    MSTR out;
    anim->GetClassName(out);
    if (!anim->GetInterface(I_CONTROL)) return out;
    auto* c = static_cast<Control*>(anim);
    out += L" " + EvalControlValue(c, t).Format();
    AddExtras(c, out);
    if (const int n = c->NumSubs()) {
        out += L" {";
        for (int i = 0; i < n; ++i) {
            if (i) out += L"; ";
            out += c->SubAnimName(i) + L": " + DumpController(c->SubAnim(i), t);
        }
        out += L"}";
    }
    return out;
}
