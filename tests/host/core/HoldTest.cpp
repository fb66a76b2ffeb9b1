// The undo system: holds, steps, undo and redo order, buffer limits and re-entrant restore objects. Each
// case runs a sequence of hold calls and compares one log: what every restore object was told (with the
// hold's flags as it saw them) and the hold's state where the case takes a look.
#include "host/core/Hold.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::string gLog;
int gDestroyed = 0;

// Logs every call with the hold's flags as the object sees them: "R<id>:<isUndo><r|-><d|-><h|->".
class LogRestore : public RestoreObj {
public:
    explicit LogRestore(std::string id, std::function<void()> onRestore = {})
        : id_(std::move(id)), onRestore_(std::move(onRestore)) {}
    ~LogRestore() override { ++gDestroyed; }
    void Restore(int isUndo) override {
        gLog += "R" + id_ + ":" + std::to_string(isUndo) + Flags() + " ";
        if (onRestore_) onRestore_();
    }
    void Redo() override { gLog += "D" + id_ + ":" + Flags() + " "; }
    void EndHold() override { gLog += "E" + id_ + " "; }

private:
    static std::string Flags() {
        return std::string(theHold.Restoring() ? "r" : "-") + (theHold.Redoing() ? "d" : "-") +
               (theHold.Holding() ? "h" : "-");
    }
    std::string id_;
    std::function<void()> onRestore_;
};

void Put(const char* id) { theHold.Put(new LogRestore(id)); }

// One accepted step with the given object ids.
void Step(const wchar_t* name, std::vector<std::string> ids) {
    theHold.Begin();
    for (auto& id : ids) theHold.Put(new LogRestore(id));
    theHold.Accept(name);
}

// The hold's state through its public calls: "[depth 1 holding suspended | undo A,B | redo C | freed 2]",
// undo steps newest first.
void Look() {
    gLog += "[depth " + std::to_string(theHold.GetBeginDepth()) + (theHold.Holding() ? " holding" : "") +
            (theHold.IsSuspended() ? " suspended" : "") + " | undo";
    for (int i = 0; i < theHold.NumUndoSteps(); ++i) gLog += (i ? "," : " ") + theHold.UndoStepName(i).ToUTF8();
    gLog += " | redo";
    for (int i = 0; i < theHold.NumRedoSteps(); ++i) gLog += (i ? "," : " ") + theHold.RedoStepName(i).ToUTF8();
    gLog += " | freed " + std::to_string(gDestroyed) + "] ";
}

void Say(const char* what, bool b) { gLog += std::string(what) + (b ? " yes " : " no "); }

struct Case {
    const char* name;
    std::function<void()> run;
    const char* log;
};

const Case kCases[] = {
    {"put outside a hold or while suspended deletes at once",
     [] {
         Put("a");
         Look();
         theHold.Begin();
         theHold.Suspend();
         theHold.Suspend();
         Put("b");
         theHold.Resume();
         Look(); // suspends nest
         Put("c");
         theHold.Resume();
         theHold.Resume(); // one Resume too many does not leave the hold "over-resumed"
         theHold.Suspend();
         Look();
         theHold.Resume();
         Put("d");
         theHold.Accept(L"Step");
         Look();
     },
     "[depth 0 | undo | redo | freed 1] [depth 1 suspended | undo | redo | freed 2] "
     "[depth 1 suspended | undo | redo | freed 3] Ed [depth 0 | undo Step | redo | freed 3] "},
    {"undo runs the newest step backwards and redo forwards with their flags",
     [] {
         Step(L"First", {"1"});
         Step(L"Second", {"a", "b", "c"});
         Look();
         Say("undo", theHold.Undo());
         Look();
         Say("undo", theHold.Undo());
         Say("redo", theHold.Redo());
         Say("redo", theHold.Redo());
         Say("redo", theHold.Redo());
         Look();
     },
     "E1 Ea Eb Ec [depth 0 | undo Second,First | redo | freed 0] Rc:1r-- Rb:1r-- Ra:1r-- undo yes "
     "[depth 0 | undo First | redo Second | freed 0] R1:1r-- undo yes D1:-d- redo yes Da:-d- Db:-d- Dc:-d- "
     "redo yes redo no [depth 0 | undo Second,First | redo | freed 0] "},
    {"an inner accept merges into the outer step",
     [] {
         theHold.Begin();
         Put("o1");
         theHold.Begin();
         Put("i1");
         theHold.Accept(L"Inner");
         Look();
         Put("o2");
         theHold.Accept(L"Outer"); // EndHold when the step closes, in the order put
         Look();
         theHold.Undo();
     },
     "[depth 1 holding | undo | redo | freed 0] Eo1 Ei1 Eo2 [depth 0 | undo Outer | redo | freed 0] "
     "Ro2:1r-- Ri1:1r-- Ro1:1r-- "},
    {"an inner cancel restores and deletes only the inner part; an outermost one makes no step",
     [] {
         theHold.Begin();
         Put("o1");
         theHold.Begin();
         Put("i1");
         Put("i2");
         theHold.Cancel();
         Look();
         Put("o2");
         theHold.Accept(L"Outer");
         theHold.Undo();
         theHold.Begin();
         Put("x");
         theHold.Cancel();
         Look();
     },
     "Ri2:0r-- Ri1:0r-- Ei1 Ei2 [depth 1 holding | undo | redo | freed 2] Eo1 Eo2 Ro2:1r-- Ro1:1r-- "
     "Rx:0r-- Ex [depth 0 | undo | redo | freed 5] "},
    {"restore without ending keeps the objects in the hold",
     [] {
         theHold.Begin();
         Put("a");
         theHold.Begin();
         Put("b");
         theHold.Restore(); // the innermost level only
         Look();
         theHold.Accept(L"");
         theHold.Accept(L"Both");
         theHold.Undo();
         Look();
     },
     "Rb:0r-- [depth 2 holding | undo | redo | freed 0] Ea Eb Rb:1r-- Ra:1r-- [depth 0 | undo | redo Both | freed 0] "},
    {"an empty hold makes no step and keeps the redo buffer; undo and redo are refused in a hold",
     [] {
         Step(L"A", {"a"});
         theHold.Undo();
         Step(L"Nothing", {});
         theHold.Begin();
         theHold.Suspend();
         Put("dropped");
         theHold.Resume();
         theHold.Accept(L"Suspended");
         Look();
         theHold.Begin();
         Say("redo", theHold.Redo());
         theHold.Cancel();
         Say("redo", theHold.Redo());
     },
     "Ea Ra:1r-- [depth 0 | undo | redo A | freed 1] redo no Da:-d- redo yes "},
    {"a new step clears the redo buffer and deletes its objects",
     [] {
         Step(L"A", {"a1", "a2"});
         Step(L"B", {"b"});
         theHold.Undo();
         theHold.Undo();
         Look();
         Step(L"C", {"c"});
         Say("redo", theHold.Redo());
         Look();
     },
     "Ea1 Ea2 Eb Rb:1r-- Ra2:1r-- Ra1:1r-- [depth 0 | undo | redo A,B | freed 0] Ec redo no "
     "[depth 0 | undo C | redo | freed 3] "},
    // A redo step may own a target that the new change deletes again; it must be gone before the new
    // change records anything, or dropping it at Accept would free what the new step now owns.
    {"the redo buffer goes before the first object of a new change is recorded",
     [] {
         Step(L"A", {"a"});
         theHold.Undo();
         theHold.Begin();
         Look(); // an open hold with nothing in it keeps redo
         Put("b");
         Look(); // the redo step's object is freed before the new one is kept
         theHold.Accept(L"B");
     },
     "Ea Ra:1r-- [depth 1 holding | undo | redo A | freed 0] [depth 1 holding | undo | redo | freed 1] Eb "},
    {"the step limit drops the oldest steps; lowering it trims at once, zero keeps nothing",
     [] {
         theHold.SetMaxUndoSteps(3);
         for (int i = 0; i < 5; ++i) Step(WStr::Format(L"S%d", i), {std::to_string(i)});
         Look();
         gLog += "'" + theHold.UndoStepName(3).ToUTF8() + "' ";
         theHold.SetMaxUndoSteps(1);
         Look();
         theHold.SetMaxUndoSteps(0);
         Step(L"Gone", {"g"});
         Look();
     },
     "E0 E1 E2 E3 E4 [depth 0 | undo S4,S3,S2 | redo | freed 2] '' [depth 0 | undo S4 | redo | freed 4] Eg "
     "[depth 0 | undo | redo | freed 6] "},
    {"clearing the buffer deletes every object, those of an open hold too, and the hold goes on",
     [] {
         Step(L"A", {"a1", "a2"});
         Step(L"B", {"b"});
         theHold.Undo();
         theHold.Begin();
         Put("open");
         theHold.ClearUndoBuffer();
         Look();
         Put("after");
         theHold.Accept(L"After");
         Look();
     },
     "Ea1 Ea2 Eb Rb:1r-- [depth 1 holding | undo | redo | freed 4] Eafter [depth 0 | undo After | redo | freed 4] "},
    // During the undo an object opens a hold, puts into it and accepts it, and even asks to undo: what it
    // puts is dropped at once (nothing holds during an undo) and the buffer stays whole.
    {"restore objects that use the hold during undo do not corrupt the buffer",
     [] {
         theHold.Begin();
         Put("first");
         theHold.Put(new LogRestore("busy", [] {
             Say("holding", theHold.Holding());
             theHold.Begin();
             Put("inner");
             theHold.Accept(L"Nested");
             Say("undo", theHold.Undo());
             Say("redo", theHold.Redo());
         }));
         theHold.Accept(L"Busy");
         Say("undo", theHold.Undo());
         Look();
         Say("redo", theHold.Redo());
     },
     "Efirst Ebusy Rbusy:1r-- holding no undo no redo no Rfirst:1r-- undo yes "
     "[depth 0 | undo | redo Busy | freed 1] Dfirst:-d- Dbusy:-d- redo yes "},
    {"clearing the buffer from inside an undo drops that step after its objects ran",
     [] {
         Step(L"Old", {"old"});
         theHold.Begin();
         Put("a");
         theHold.Put(new LogRestore("clearer", [] { theHold.ClearUndoBuffer(); }));
         theHold.Accept(L"Clearing");
         Say("undo", theHold.Undo());
         Look();
     },
     "Eold Ea Eclearer Rclearer:1r-- Ra:1r-- undo yes [depth 0 | undo | redo | freed 3] "},
    {"what EndHold puts is not recorded into the closing step",
     [] {
         struct Ender : LogRestore {
             Ender() : LogRestore("ender") {}
             void EndHold() override {
                 LogRestore::EndHold();
                 Put("late");
             }
         };
         theHold.Begin();
         theHold.Put(new Ender);
         theHold.Accept(L"Ends");
         Look();
         theHold.Undo();
     },
     "Eender [depth 0 | undo Ends | redo | freed 1] Render:1r-- "},
};

TEST(Hold, EachSequenceGivesItsLog) {
    for (const Case& c : kCases) {
        theHold.ResetForTests();
        gLog.clear();
        gDestroyed = 0;
        c.run();
        EXPECT_EQ(gLog, c.log) << c.name;
    }
    theHold.ResetForTests();
}

TEST(Hold, DumpShowsTheLevelsAndTheSteps) {
    theHold.ResetForTests();
    Step(L"A", {"a"});
    Step(L"B", {"b1", "b2"});
    theHold.Undo();
    theHold.Begin();
    theHold.Suspend();
    EXPECT_EQ(theHold.Dump().ToUTF8(), "depth 1, suspended 1, restoring 0, redoing 0, open objects 0, max steps 20\n"
                                       "undo \"A\" (1)\n"
                                       "redo \"B\" (2)\n");
    theHold.ResetForTests();
}

} // namespace
