// Helpers of the controller tests: a scene-file style save and reload of a controller tree, a node with a
// transform, message filters and an undo check that watches the message.
#pragma once

#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Hold.h"
#include "host/core/PlugApi.h"
#include "host/core/RefGraph.h"
#include "host/scene/nodes/Node.h"
#include "host/scene/Control.h"
#include "host/scene/controllers/ControlDump.h"
#include "host/scene/controllers/ControllerClasses.h"
#include "tests/support/GraphBuilder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <unordered_map>

// Writes every controller reachable from root through the references a scene file keeps (real ones, and
// weak ones the maker asks to keep) into a stream of its own, re-creates it through the class directory
// for loading, reads it back, then restores the references through the host's reference storage as the
// scene loader does. Anything that is not a controller (a node) stays what it was.
inline ReferenceTarget* SaveAndReload(ReferenceTarget* root) {
    std::unordered_map<ReferenceTarget*, ReferenceTarget*> copies;
    std::function<ReferenceTarget*(ReferenceTarget*)> copy = [&](ReferenceTarget* t) -> ReferenceTarget* {
        if (!t || !t->GetInterface(I_CONTROL)) return t;
        if (auto it = copies.find(t); it != copies.end()) return it->second;
        ChunkSave s;
        s.BeginChunk(0x2000);
        EXPECT_EQ(t->Save(&s), IO_OK);
        s.EndChunk();
        EXPECT_EQ(s.Commit(), IO_OK) << s.GetLastError();
        auto* fresh = static_cast<ReferenceTarget*>(
            GetClassDirectory().CreateInstance(t->SuperClassID(), t->ClassID(), true));
        if (!fresh) {
            ADD_FAILURE() << "no class registered for " << t->ClassID().ToString();
            return nullptr;
        }
        ChunkLoad l(s.Bytes());
        EXPECT_EQ(l.OpenChunk(), IO_OK);
        EXPECT_EQ(fresh->Load(&l), IO_OK) << l.GetLastError();
        l.CloseChunk();
        copies[t] = fresh;
        EXPECT_EQ(fresh->NumRefs(), t->NumRefs()) << "loaded reference table of " << t->ClassID().ToString();
        for (int i = 0; i < t->NumRefs() && i < fresh->NumRefs(); ++i) {
            ReferenceTarget* r = t->GetReference(i);
            const bool written = r && (t->IsRealDependency(r) || t->ShouldPersistWeakRef(r));
            RefGraph::Set(fresh, i, written ? copy(r) : nullptr, nullptr, false);
        }
        return fresh;
    };
    return copy(root);
}

inline std::string Dump(Animatable* a, TimeValue t = 0) { return DumpController(a, t).ToUTF8(); }

// The messages a recorder heard, keeping only the given one, as "sender:0xMSG/part".
inline std::vector<std::string> HeardOf(const GraphBuilder& g, RefMessage message) {
    std::vector<std::string> out;
    for (const HeardMessage& h : g.heard) {
        if (h.message != message) continue;
        char buf[48];
        std::snprintf(buf, sizeof buf, ":0x%x/0x%lx", h.message, static_cast<unsigned long>(h.part));
        out.push_back(h.sender + buf);
    }
    return out;
}

inline int CountHeard(const GraphBuilder& g, RefMessage message) { return static_cast<int>(HeardOf(g, message).size()); }

// Runs edit as one undo step; undo and redo must each give back state() exactly and send owner one
// message of the given kind, once the whole edit is back in place.
inline void ExpectUndoRedoWithMessage(GraphBuilder& g, TestMaker* owner, const std::function<std::string()>& state,
                                      const std::function<void()>& edit, RefMessage message) {
    const std::string before = state();
    theHold.Begin();
    edit();
    theHold.Accept(L"Edit");
    const std::string after = state();
    ASSERT_NE(after, before);
    std::string seen;
    owner->onMessage = [&](RefTargetHandle, PartID&, RefMessage m) {
        if (m == message) seen = state();
    };
    for (const bool undo : {true, false}) {
        SCOPED_TRACE(undo ? "undo" : "redo");
        g.heard.clear();
        ASSERT_TRUE(undo ? theHold.Undo() : theHold.Redo());
        EXPECT_EQ(state(), undo ? before : after);
        EXPECT_EQ(CountHeard(g, message), 1);
        EXPECT_EQ(seen, undo ? before : after);
    }
    owner->onMessage = nullptr;
}

// A node of its own (no scene) with a world transform, set through its default transform controller.
inline INode* NewNode(const wchar_t* name, const Matrix3& tm) {
    auto* n = new Node();
    n->SetName(name);
    n->ReplaceReference(NODE_REF_TM, NewDefaultMatrix3Controller());
    n->SetNodeTM(0, tm);
    return n;
}
