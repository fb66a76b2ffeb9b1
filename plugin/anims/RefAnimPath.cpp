// The children a mirror path steps through.
#include "plugin/anims/RefAnimPath.h"

#include "host/core/FixedSubAnimNames.h"
#include "host/core/ParamType.h"
#include "host/core/PlugApi.h"
#include "host/scene/Control.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/IParamBlock2.h"
#include "plugin/anims/MirrorKindSelection.h"

#include <utility>

namespace {

IDerivedObject* NextInChain(IDerivedObject* d) {
    Object* o = d->GetObjRef();
    return o && o->SuperClassID() == GEN_DERIVOB_CLASS_ID ? static_cast<IDerivedObject*>(o) : nullptr;
}

bool IsReferenceType(int baseType) {
    return baseType == TYPE_MTL || baseType == TYPE_TEXMAP || baseType == TYPE_INODE || baseType == TYPE_REFTARG ||
           baseType == TYPE_PBLOCK2;
}

// The animatable that stands for one element of the block parameter at index (def its definition): its
// controller, else the target a reference parameter holds. The walk reads every parameter of every block,
// so the parameter is reached by its index, never looked up by id.
Animatable* ElementChild(IParamBlock2* pb, int index, const ParamDef& def, int element) {
    // Only an animatable parameter is ever given a controller: the elements of a reference table (a
    // material's maps) are read once, for their target.
    if (def.flags & P_ANIMATABLE)
        if (Control* c = pb->GetControllerByIndex(index, element)) return c;
    if (!IsReferenceType(def.type & ~TYPE_TAB)) return nullptr;
    ReferenceTarget* r = nullptr;
    Interval valid = FOREVER;
    return pb->GetValue(def.ID, 0, r, valid, element) ? r : nullptr;
}

// A child's name goes to a string, or straight to an interned path step: most names are texts that stay
// where they are (a parameter's internal name, a fixed word), and a step takes those without a string.
void PutFixed(MSTR* name, const MCHAR* text) {
    *name = text;
}
void PutFixed(PathName* name, const MCHAR* text) {
    *name = PathName::Literal(text);
}
// The same for a text that lives as long as the program (a word written here, a class's fixed name table).
void PutStatic(MSTR* name, const MCHAR* text) {
    *name = text;
}
void PutStatic(PathName* name, const MCHAR* text) {
    *name = PathName::Static(text);
}
// An empty name: the one every position that holds nothing carries.
void PutEmpty(MSTR* name) {
    *name = MSTR();
}
void PutEmpty(PathName* name) {
    *name = PathName();
}
void PutMade(MSTR* name, MSTR&& text) {
    *name = std::move(text);
}
void PutMade(PathName* name, MSTR&& text) {
    *name = PathName(text);
}

template <class Name> void PutParamName(const ParamDef& def, Name* name) {
    const MCHAR* n = def.int_name;
    PutFixed(name, n && *n ? n : L"unnamed");
}

// Kind::Named works out the name alone: the child is not looked for (null is returned), since naming a
// step the walk has already taken needs nothing else, and finding a block parameter's child asks the block.
enum class Want { Child, Named };

template <Want Kind, class Name> Animatable* ParamBlock2Child(IParamBlock2* pb, int i, int tab, Name* name) {
    const int index = tab >= 0 ? tab : i - 1;
    if (index < 0 || index >= pb->NumParams()) return nullptr;
    const ParamDef& def = pb->GetParamDefByIndex(static_cast<unsigned short>(index));
    if (def.ID < 0) return nullptr;
    if (tab >= 0) {
        if (!(def.type & TYPE_TAB) || i >= pb->Count(def.ID)) return nullptr;
        if (name) {
            const MCHAR* n = def.int_name;
            PutMade(name, MSTR(n && *n ? n : L"unnamed") + L"[" + WStr::FromInt(i) + L"]");
        }
        return Kind == Want::Named ? nullptr : ElementChild(pb, index, def, i);
    }
    if (name) PutParamName(def, name);
    return Kind == Want::Named ? nullptr : BlockParamChild(pb, index, def);
}

// A modifier's name is its own (kept in the modifier, so it may change at the same address: found by
// address and compared) or its class's, kept by the class's descriptor.
template <class Name> void PutModifierName(Modifier* m, Name* name) {
    if (const MCHAR* text = m->NameText())
        PutFixed(name, text);
    else
        PutMade(name, m->GetName());
}

template <Want Kind, class Name> Animatable* DerivedObjectChild(IDerivedObject* d, int i, Name* name) {
    IDerivedObject* holder = nullptr;
    int local = 0;
    if (FlatModifierAt(d, i - 1, holder, local)) {
        Modifier* m = holder->GetModifier(local);
        if (m && name) PutModifierName(m, name);
        return m;
    }
    if (i - 1 != ChainModifierCount(d)) return nullptr;
    if (name) PutStatic(name, L"Object");
    return Kind == Want::Named ? nullptr : ChainBaseObject(d);
}

// The name of sub-animatable k of p: the class's fixed text where it keeps one, else SubAnimName's string.
template <class Name> void PutSubAnimName(Animatable* p, int k, Name* name) {
    if (const MCHAR* fixed = FixedSubAnimName(p, k)) {
        PutStatic(name, *fixed ? fixed : L"unnamed");
        return;
    }
    MSTR n = p->SubAnimName(k);
    if (n.Length() == 0)
        PutStatic(name, L"unnamed");
    else
        PutMade(name, std::move(n));
}

template <Want Kind, class Name> Animatable* GenericChild(Animatable* p, int i, Name* name) {
    int k = i - 1;
    const int subs = p->NumSubs();
    if (k < subs) {
        if (name) PutSubAnimName(p, k, name);
        if (Kind == Want::Named) return nullptr;
        Animatable* sub = p->SubAnim(k);
        for (int b = 0; sub && b < p->NumParamBlocks(); ++b)
            if (static_cast<Animatable*>(p->GetParamBlock(b)) == sub) return nullptr;
        return sub;
    }
    k -= subs;
    if (k >= p->NumParamBlocks()) return nullptr;
    IParamBlock2* pb = p->GetParamBlock(k);
    if (!pb) return nullptr;
    if (name) {
        ParamBlockDesc2* desc = pb->GetDesc();
        PutFixed(name, desc && desc->int_name ? desc->int_name : L"");
    }
    return pb;
}

template <Want Kind, class Name> Animatable* ChildNamed(Animatable* parent, int i, int tab, Name* name) {
    if (name) PutEmpty(name);
    if (!parent || i < 0) return nullptr;
    if (i == 0 && tab < 0) {
        if (name) PutStatic(name, L"CAC");
        return Kind == Want::Named ? nullptr : parent->GetCustAttribContainerTarget();
    }
    switch (parent->SuperClassID()) {
    case PARAMETER_BLOCK2_CLASS_ID: return ParamBlock2Child<Kind>(static_cast<IParamBlock2*>(parent), i, tab, name);
    case GEN_DERIVOB_CLASS_ID: return DerivedObjectChild<Kind>(static_cast<IDerivedObject*>(parent), i, name);
    default: return GenericChild<Kind>(parent, i, name);
    }
}

} // namespace

Animatable* GetChild(Animatable* parent, Animatable* /*parentOfParent*/, int i, int tab, MSTR* name) {
    return ChildNamed<Want::Child>(parent, i, tab, name);
}

Animatable* GetChild(Animatable* parent, Animatable* /*parentOfParent*/, int i, int tab, PathName* name) {
    return ChildNamed<Want::Child>(parent, i, tab, name);
}

PathName ChildName(Animatable* parent, int i, int tab) {
    PathName name;
    ChildNamed<Want::Named>(parent, i, tab, &name);
    return name;
}

bool ElementMayHoldChild(const ParamDef& def) {
    return def.ID >= 0 && ((def.flags & P_ANIMATABLE) || IsReferenceType(def.type & ~TYPE_TAB));
}

bool ParamMayHoldChild(const ParamDef& def) {
    return def.ID >= 0 && ((def.type & TYPE_TAB) || ElementMayHoldChild(def));
}

Animatable* TableElementChild(IParamBlock2* pb, int index, const ParamDef& def, int e) {
    return ElementChild(pb, index, def, e);
}

Animatable* BlockParamChild(IParamBlock2* pb, int index, const ParamDef& def) {
    // A table is stepped into by its parameter; its elements are the children of the next step.
    if (def.type & TYPE_TAB) return pb;
    return ElementChild(pb, index, def, 0);
}

int FindChild(Animatable* parent, Animatable* parentOfParent, int recordedNumber, const PathName& name, int tab,
              Animatable*& child) {
    child = nullptr;
    // A stack held by a node leaves its base object out of the collection's walk (the node's record walks
    // it on its own), but paths still step through the stack to it.
    const bool stack = parent && parent->SuperClassID() == GEN_DERIVOB_CLASS_ID;
    const int count = ChildCount(parent, stack ? nullptr : parentOfParent, tab);
    // Names are compared as path steps: one stored name each, so a fixed text costs no string.
    PathName found;
    if (recordedNumber >= 0 && recordedNumber < count) {
        Animatable* c = GetChild(parent, parentOfParent, recordedNumber, tab, &found);
        if (found == name) {
            child = c;
            return recordedNumber;
        }
    } else if (tab >= 0) {
        return -1;
    }
    for (int i = 0; i < count; ++i) {
        Animatable* c = GetChild(parent, parentOfParent, i, tab, &found);
        if (found == name) {
            child = c;
            return i;
        }
    }
    return -1;
}

bool FlatModifierAt(IDerivedObject* top, int flat, IDerivedObject*& holder, int& local) {
    if (flat < 0) return false;
    for (IDerivedObject* d = top; d; d = NextInChain(d)) {
        if (flat < d->NumModifiers()) {
            holder = d;
            local = flat;
            return true;
        }
        flat -= d->NumModifiers();
    }
    return false;
}

int ChainModifierCount(IDerivedObject* top) {
    int n = 0;
    for (IDerivedObject* d = top; d; d = NextInChain(d)) n += d->NumModifiers();
    return n;
}

Object* ChainBaseObject(IDerivedObject* top) {
    IDerivedObject* last = top;
    for (IDerivedObject* d = top; d; d = NextInChain(d)) last = d;
    return last ? last->GetObjRef() : nullptr;
}
