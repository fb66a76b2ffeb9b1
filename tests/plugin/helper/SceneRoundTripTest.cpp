// A whole scene of references saved and opened again in a fresh session: every helper, record and mirror
// dumps as it did before the save.
#include "host/scene/IDerivedObject.h"
#include "host/scene/INodeDisplayProperties.h"
#include "host/scene/ISkinPose.h"
#include "host/scene/Modifier.h"
#include "host/scene/NamedSelectionSets.h"
#include "host/scene/Object.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/anims/MirrorKinds.h"
#include "plugin/anims/RefAnimPblock2.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/helper/ReferenceUnload.h"
#include "tests/plugin/helper/HelperTestSupport.h"

#include <cctype>
#include <cstdio>

namespace {

constexpr DWORD kEveryKind[] = {
#define OSTRIVANS_KIND_ID(name, id, ...) name,
    OSTRIVANS_MIRROR_KINDS(OSTRIVANS_KIND_ID)
#undef OSTRIVANS_KIND_ID
};

// A mirror's saved part: its description without the step it last reached, its kind flag and, for a
// parameter block mirror, how it applies its entries.
std::string MirrorDump(RefAnim* m) {
    if (!m) return "null\n";
    std::string d = WStr(m->Describe()).ToUTF8();
    // The file keeps the animatable of a mirror only while the mirror depends on it; the others find it
    // again by path.
    ReferenceTarget* anim = m->GetReference(0);
    if (!anim || !m->IsRealDependency(anim)) {
        const size_t at = d.find("\nThe Anim Ref: ") + 15;
        d.replace(at, d.find('\n', at) - at, "by path");
    }
    const size_t at = d.find("\nLast Operation: ");
    if (at != std::string::npos) d.erase(at, d.find('\n', at + 1) - at);
    d += "\nflag " + std::to_string(m->GetKindFlag());
    if (auto* pb2 = dynamic_cast<RefAnimPblock2*>(m)) d += " hold " + std::to_string(pb2->GetHoldOverride());
    return d + "\n";
}

// A modifier entry keeps its state, name and context's transform and box in the file: its place and
// switches are read from the stack again, its local data stays with its holder, and without the reference
// persisting an entry that came with the file is not written.
// ` os <state> "<name>" <index> <switches><rest>` without its index, switches and " local data".
std::string WithoutPlaceAndSwitches(const std::string& line) {
    const size_t close = line.find('"', line.find('"') + 1);
    if (close == std::string::npos) return line;
    size_t at = close + 1;
    const auto number = [&](bool sign) {
        if (at >= line.size() || line[at] != ' ') return false;
        if (++at < line.size() && sign && line[at] == '-') ++at;
        const size_t digits = at;
        while (at < line.size() && std::isdigit(static_cast<unsigned char>(line[at]))) ++at;
        return at > digits;
    };
    if (!number(true) || !number(false)) return line;
    std::string rest = line.substr(at);
    if (rest.ends_with(" local data")) rest.resize(rest.size() - 11);
    return line.substr(0, close + 1) + rest;
}

std::string ModifierEntries(const std::string& dump, bool persists) {
    std::string out;
    size_t begin = dump.find('\n');
    out = dump.substr(0, begin);
    while (begin != std::string::npos) {
        const size_t end = dump.find('\n', begin + 1);
        std::string line = dump.substr(begin + 1, end == std::string::npos ? std::string::npos : end - begin - 1);
        begin = end;
        const bool entry = line.starts_with(" ws ") || line.starts_with(" os ");
        if (entry && !persists && line.starts_with(" os 0 ")) continue;
        out += '\n';
        out += entry ? WithoutPlaceAndSwitches(line) : line;
    }
    return out;
}

// A record's saved part: its dump up to the remembered structure, which is rebuilt and never saved, and
// without the loaded state a collection keeps for the update after it.
// A reference that does not persist its content keeps, of its mirrors, only those that carry a change.
std::string RecordDump(RefBase* r, const std::string& dump, bool persists) {
    std::string s = ModifierEntries(dump.substr(0, dump.find(persists ? "structure:" : " item ")), persists);
    if (const size_t at = s.find(" wasLoaded "); at != std::string::npos) s.erase(at, 12);
    for (int i = 0; i < r->NumMirrors(); ++i)
        if (persists || (r->GetMirror(i) && r->GetMirror(i)->GetOverriddenState())) s += MirrorDump(r->GetMirror(i));
    return s;
}

std::string HelperDump(OstrivansHelper* h) {
    std::string s = WStr(h->GetHelperNode()->GetName()).ToUTF8() + "\n" + h->DumpParams() + "delete";
    for (const WStr& n : h->GetNodesToDelete()) s += " " + n.ToUTF8();
    s += "\nrenamed";
    for (const RenamedLayer& l : h->GetRenamedLayers())
        s += " " + l.fileName.ToUTF8() + ">" + l.localName.ToUTF8() + ":" + std::to_string(l.full);
    char time[24];
    std::snprintf(time, sizeof time, "%llx", static_cast<unsigned long long>(h->GetFileTime()));
    s += std::string("\ntime ") + time + " layers " + std::to_string(h->NumRefLayers()) + "\n";
    for (int i = 0; i < h->NumRefNodes(); ++i)
        s += h->GetRefNode(i) ? RecordDump(h->GetRefNode(i), h->GetRefNode(i)->DumpNode(), h->PersistsReferences())
                              : "null\n";
    for (int i = 0; i < h->NumRefMaterials(); ++i)
        s += h->GetRefMaterial(i)
                 ? RecordDump(h->GetRefMaterial(i), h->GetRefMaterial(i)->Dump(), h->PersistsReferences())
                 : "null\n";
    return s;
}

} // namespace

class SceneRoundTripTest : public ReferenceFileFixture {
protected:
    RefNode* Rec(OstrivansHelper* h, const MCHAR* name) {
        for (int i = 0; i < h->NumRefNodes(); ++i)
            if (h->GetRefNode(i)->GetReferencedName() == WStr(name)) return h->GetRefNode(i);
        return nullptr;
    }
    // What a save collects of a reference kept in the scene: the records compare their items.
    static void CollectForSave(OstrivansHelper* h) {
        OperationCodeGuard code(OperationCode::PreSave);
        ReferenceUnload::CollectHelper(h);
    }
    // Every local change a node record keeps, made through the host on one node.
    void ChangeEverything(INode* w) {
        auto* disp = static_cast<INodeDisplayProperties*>(w->GetInterface(NODE_DISPLAY_PROPERTIES_INTERFACE));
        // The stack: a local modifier with local data above the file's Bend, which the user switches off.
        auto* stack = static_cast<IDerivedObject*>(w->GetObjectRef());
        stack->AddModifier(static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, EDIT_POLY_MODIFIER_CLASS_ID)), nullptr, 0);
        w->EvalWorldState(0);
        stack->GetModifier(1)->DisableMod();
        w->SetName(L"Wall01 local");
        w->SetMtl(b.Standard("Steel"));
        b.Dummy("Rig").Build()->AttachChild(w);
        w->AttachChild(b.Box("Lamp").Build());
        w->SetGroupMember(TRUE);
        b.Layer("Local")->AddToLayer(w);
        w->SetObjOffsetPos(Point3(1, 2, 3));
        static_cast<ISkinPose*>(w->GetInterface(SKINPOSE_INTERFACE))->SetSkinScale(Point3(2, 2, 2));
        w->SetWireColor(0xFF);
        w->Hide(TRUE);
        w->Freeze(TRUE);
        disp->SetNodeDisplayProperty(NODE_DISP_SHOW_LINKS, TRUE);
        w->SetGIReflectanceScale(0.5f);
        disp->SetNodeDisplayProperty(NODE_REND_HIDE_FROM_CAMERA, TRUE);
        w->SetUserPropBuffer(L"lod = 2 \u00e9");
        w->SetBoneAxis(2);
        w->SetTransformLock(INODE_LOCKSCL, INODE_LOCK_Z, TRUE);
        auto* omni = static_cast<LightObject*>(CreateInstance(LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID));
        b.WithObject(omni, "Omni01").Build();
        omni->GetExclList()->AddNode(w);
        auto* listing = static_cast<Object*>(CreateInstance(HELPER_CLASS_ID, NODE_SET_HELPER_CLASS_ID));
        b.WithObject(listing, "Set01").Build();
        listing->GetOwnNodeList(0)->AddNode(b.Dummy("Other").Build());
        listing->GetOwnNodeList(0)->AddNode(w);
        ip->CreateObjectNode(w->GetObjectRef())->SetName(L"Instance");
        INodeTab one;
        one.Append(w);
        ip->GetNamedSelectionSetManager()->AddNewNamedSelSet(one, L"Picked");
        // A parameter of the base object: an entry of its block's mirror.
        w->GetObjectRef()->FindBaseObject()->GetParamBlock(0)->SetValue(1, 0, 3.0f);
    }
};

TEST_F(SceneRoundTripTest, HelpersRecordsAndMirrorsOfEveryKindDumpAsBeforeTheSave) {
    const MSTR walls = WriteWalls("walls");
    const MSTR posts = WriteFile("posts", [&] {
        INode* post = b.Box("Post01").Layer("Posts").Build();
        b.AddModifier(post, BEND_MODIFIER_CLASS_ID);
        b.AddModifier(post, TWIST_MODIFIER_CLASS_ID);
    });
    // A keeps its content in the scene; B is unloaded before the save, its records holding only overrides.
    OstrivansHelper* a = HelperFor(walls, L"RefA");
    OstrivansHelper* bh = HelperFor(posts, L"RefB");
    for (OstrivansHelper* h : {a, bh}) {
        AccessorDisabler off(h);
        h->GetParamBlock()->SetValue(pb_persist_ref, 0, h == a ? 1 : 0);
        h->GetParamBlock()->SetValue(pb_persist_reload_type, 0, kReloadManually);
        ASSERT_EQ(h->Load(), 1) << Lines();
    }
    ChangeEverything(Rec(a, L"Wall01")->GetNode());
    Rec(bh, L"Post01")->GetNode()->SetWireColor(0x00FF00);
    Rec(bh, L"Post01")->GetNode()->SetGIReflectanceScale(0.25f);
    // B's stack: the file's Twist renamed and switched off in the viewports, its Bend deleted.
    auto* postStack = static_cast<IDerivedObject*>(Rec(bh, L"Post01")->GetNode()->GetObjectRef());
    postStack->GetModifier(0)->SetName(L"Turn");
    postStack->GetModifier(0)->DisableModInViews();
    postStack->DeleteModifier(1);
    a->AddNodeToDelete(L"Window01");
    a->AddRenamedLayer({L"Walls", L"Walls_local", 1});
    bh->Unload();
    ASSERT_FALSE(Rec(bh, L"Post01")->IsNodeLoaded());
    // One mirror of every kind, with a path, numbers, a state and the kind flag, where none was mirrored.
    RefBase* extra = a->GetRefMaterial(0);
    int n = 0;
    for (DWORD kind : kEveryKind) {
        RefAnim* m = CreateRefAnim(extra, kind, nullptr, {L"Extra", WStr::Format(L"K\u00e9%d", n)}, {7, n},
                                   static_cast<BYTE>(1u << (n % 7)));
        ASSERT_NE(m, nullptr) << std::hex << kind;
        extra->AppendMirror(m);
        ++n;
    }
    CollectForSave(a);
    const std::string before = HelperDump(a) + HelperDump(bh);
    // B's file is gone when the scene opens again: its load fails, which clears only its file time, and
    // its records stay as the file gave them.
    std::filesystem::remove(WStr(posts).ToUTF8());
    std::string expected = before;
    const size_t bTime = expected.find("\ntime ", expected.find("RefB\n")) + 6;
    expected.replace(bTime, expected.find(' ', bTime) - bTime, "0");
    ASSERT_NE(before.find("Overridden Params: "), std::string::npos);
    for (const char* note : {"os 1 \"Edit Poly\"", " deleted \"Bend\"", "renamed \"Twist\"", "toggled"})
        ASSERT_NE(before.find(note), std::string::npos) << note << "\n" << before;

    SaveAndReopen("ostrivans-scene-roundtrip");
    if (HasFatalFailure()) return;
    std::string after;
    for (const MCHAR* name : {L"RefA", L"RefB"}) {
        auto* h = dynamic_cast<OstrivansHelper*>(ip->GetINodeByName(name)->GetObjectRef());
        ASSERT_NE(h, nullptr);
        after += HelperDump(h);
    }
    EXPECT_EQ(after, expected);
}
