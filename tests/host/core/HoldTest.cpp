// The undo system: holds, steps, undo and redo order, buffer limits and re-entrant restore objects. Each
// case runs a sequence of hold calls and compares one log: what every restore object was told (with the
// hold's flags as it saw them) and the hold's state where the case takes a look.
#include "host/core/Hold.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
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

// Runs hold calls written as words: B Begin, A<name> Accept, C Cancel, R Restore, S Suspend, Z Resume,
// P<id> Put, U Undo, D Redo (U? and D? also log whether they were done), X ClearUndoBuffer,
// M<n> SetMaxUndoSteps, N<i> logs the name of undo step i, L Look.
void Calls(const char* ops) {
    std::istringstream in(ops);
    std::string w;
    while (in >> w) {
        const std::string arg = w.substr(1);
        switch (w[0]) {
        case 'B': theHold.Begin(); break;
        case 'A': theHold.Accept(WStr::FromUTF8(arg)); break;
        case 'C': theHold.Cancel(); break;
        case 'R': theHold.Restore(); break;
        case 'S': theHold.Suspend(); break;
        case 'Z': theHold.Resume(); break;
        case 'P': Put(arg.c_str()); break;
        case 'U': arg.empty() ? (void)theHold.Undo() : Say("undo", theHold.Undo()); break;
        case 'D': arg.empty() ? (void)theHold.Redo() : Say("redo", theHold.Redo()); break;
        case 'X': theHold.ClearUndoBuffer(); break;
        case 'M': theHold.SetMaxUndoSteps(std::stoi(arg)); break;
        case 'N': gLog += "'" + theHold.UndoStepName(std::stoi(arg)).ToUTF8() + "' "; break;
        case 'L': Look(); break;
        default: ADD_FAILURE() << "unknown hold call " << w;
        }
    }
}

struct Case {
    const char* name;
    const char* ops;
    const char* log;
    void (*run)() = nullptr; // instead of ops, for restore objects that act on the hold themselves
};

const Case kCases[] = {
    {"put outside a hold or while suspended deletes at once; suspends nest, a Resume too many is ignored",
     "Pa L B S S Pb Z L Pc Z Z S L Z Pd AStep L",
     "[depth 0 | undo | redo | freed 1] [depth 1 suspended | undo | redo | freed 2] "
     "[depth 1 suspended | undo | redo | freed 3] Ed [depth 0 | undo Step | redo | freed 3] "},
    {"undo runs the newest step backwards and redo forwards with their flags",
     "B P1 AFirst B Pa Pb Pc ASecond L U? L U? D? D? D? L",
     "E1 Ea Eb Ec [depth 0 | undo Second,First | redo | freed 0] Rc:1r-- Rb:1r-- Ra:1r-- undo yes "
     "[depth 0 | undo First | redo Second | freed 0] R1:1r-- undo yes D1:-d- redo yes Da:-d- Db:-d- Dc:-d- "
     "redo yes redo no [depth 0 | undo Second,First | redo | freed 0] "},
    {"an inner accept merges into the outer step; EndHold when the step closes, in the order put",
     "B Po1 B Pi1 AInner L Po2 AOuter L U",
     "[depth 1 holding | undo | redo | freed 0] Eo1 Ei1 Eo2 [depth 0 | undo Outer | redo | freed 0] "
     "Ro2:1r-- Ri1:1r-- Ro1:1r-- "},
    {"an inner cancel restores and deletes only the inner part; an outermost one makes no step",
     "B Po1 B Pi1 Pi2 C L Po2 AOuter U B Px C L",
     "Ri2:0r-- Ri1:0r-- Ei1 Ei2 [depth 1 holding | undo | redo | freed 2] Eo1 Eo2 Ro2:1r-- Ro1:1r-- "
     "Rx:0r-- Ex [depth 0 | undo | redo | freed 5] "},
    {"restore without ending keeps the objects in the hold (the innermost level only)",
     "B Pa B Pb Pc R L A ABoth U L",
     "Rc:0r-- Rb:0r-- [depth 2 holding | undo | redo | freed 0] Ea Eb Ec Rc:1r-- Rb:1r-- Ra:1r-- "
     "[depth 0 | undo | redo Both | freed 0] "},
    {"an empty hold makes no step and keeps the redo buffer; undo and redo are refused in a hold",
     "B Pa AA U B ANothing B S Pdropped Z ASuspended L B D? C D?",
     "Ea Ra:1r-- [depth 0 | undo | redo A | freed 1] redo no Da:-d- redo yes "},
    {"a new step clears the redo buffer and deletes its objects", "B Pa1 Pa2 AA B Pb AB U U L B Pc AC D? L",
     "Ea1 Ea2 Eb Rb:1r-- Ra2:1r-- Ra1:1r-- [depth 0 | undo | redo A,B | freed 0] Ec redo no "
     "[depth 0 | undo C | redo | freed 3] "},
    // A redo step may own a target that the new change deletes again; it must be gone before the new
    // change records anything, or dropping it at Accept would free what the new step now owns. An open
    // hold with nothing in it keeps redo.
    {"the redo buffer goes before the first object of a new change is recorded", "B Pa AA U B L Pb L AB",
     "Ea Ra:1r-- [depth 1 holding | undo | redo A | freed 0] [depth 1 holding | undo | redo | freed 1] Eb "},
    {"the step limit drops the oldest steps; lowering it trims at once, zero keeps nothing",
     "M3 B P0 AS0 B P1 AS1 B P2 AS2 B P3 AS3 B P4 AS4 L N3 M1 L M0 B Pg AGone L",
     "E0 E1 E2 E3 E4 [depth 0 | undo S4,S3,S2 | redo | freed 2] '' [depth 0 | undo S4 | redo | freed 4] Eg "
     "[depth 0 | undo | redo | freed 6] "},
    {"clearing the buffer deletes every object, those of an open hold too, and the hold goes on",
     "B Pa1 Pa2 AA B Pb AB U B Popen X L Pafter AAfter L",
     "Ea1 Ea2 Eb Rb:1r-- [depth 1 holding | undo | redo | freed 4] Eafter [depth 0 | undo After | redo | freed 4] "},
    // During the undo an object opens a hold, puts into it and accepts it, and even asks to undo: what it
    // puts is dropped at once (nothing holds during an undo) and the buffer stays whole.
    {"restore objects that use the hold during undo do not corrupt the buffer", nullptr,
     "Efirst Ebusy Rbusy:1r-- holding no undo no redo no Rfirst:1r-- undo yes "
     "[depth 0 | undo | redo Busy | freed 1] Dfirst:-d- Dbusy:-d- redo yes ",
     [] {
         Calls("B Pfirst");
         theHold.Put(new LogRestore("busy", [] {
             Say("holding", theHold.Holding());
             Calls("B Pinner ANested U? D?");
         }));
         Calls("ABusy U? L D?");
     }},
    {"clearing the buffer from inside an undo drops that step after its objects ran", nullptr,
     "Eold Ea Eclearer Rclearer:1r-- Ra:1r-- undo yes [depth 0 | undo | redo | freed 3] ",
     [] {
         Calls("B Pold AOld B Pa");
         theHold.Put(new LogRestore("clearer", [] { theHold.ClearUndoBuffer(); }));
         Calls("AClearing U? L");
     }},
    {"what EndHold puts is not recorded into the closing step", nullptr,
     "Eender [depth 0 | undo Ends | redo | freed 1] Render:1r-- ",
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
         Calls("AEnds L U");
     }},
};

TEST(Hold, EachSequenceGivesItsLog) {
    for (const Case& c : kCases) {
        theHold.ResetForTests();
        gLog.clear();
        gDestroyed = 0;
        c.run ? c.run() : Calls(c.ops);
        EXPECT_EQ(gLog, c.log) << c.name;
    }
    theHold.ResetForTests();
}

TEST(Hold, DumpShowsTheLevelsAndTheSteps) {
    theHold.ResetForTests();
    Calls("B Pa AA B Pb1 Pb2 AB U B S");
    EXPECT_EQ(theHold.Dump().ToUTF8(), "depth 1, suspended 1, restoring 0, redoing 0, open objects 0, max steps 20\n"
                                       "undo \"A\" (1)\n"
                                       "redo \"B\" (2)\n");
    theHold.ResetForTests();
}

} // namespace
