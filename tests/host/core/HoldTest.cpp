// The undo system: holds, steps, undo and redo order, buffer limits and re-entrant restore objects.
#include "host/core/Hold.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<std::string> gLog;
int gDestroyed = 0;

std::string Log() {
    std::string s;
    for (const auto& e : gLog) s += e + " ";
    return s;
}

// Logs every call with the hold's flags as the object sees them: "R<id>:<isUndo><r|-><d|->".
class LogRestore : public RestoreObj {
public:
    explicit LogRestore(std::string id, std::function<void()> onRestore = {})
        : id_(std::move(id)), onRestore_(std::move(onRestore)) {}
    ~LogRestore() override { ++gDestroyed; }
    void Restore(int isUndo) override {
        gLog.push_back("R" + id_ + ":" + std::to_string(isUndo) + Flags());
        if (onRestore_) onRestore_();
    }
    void Redo() override { gLog.push_back("D" + id_ + ":" + Flags()); }
    void EndHold() override { gLog.push_back("E" + id_); }

private:
    static std::string Flags() {
        return std::string(theHold.Restoring() ? "r" : "-") + (theHold.Redoing() ? "d" : "-") +
               (theHold.Holding() ? "h" : "-");
    }
    std::string id_;
    std::function<void()> onRestore_;
};

class HoldTest : public ::testing::Test {
protected:
    void SetUp() override {
        theHold.ResetForTests();
        gLog.clear();
        gDestroyed = 0;
    }
    void TearDown() override { theHold.ResetForTests(); }

    // One accepted step with the given object ids.
    static void Step(const wchar_t* name, std::vector<std::string> ids) {
        theHold.Begin();
        for (auto& id : ids) theHold.Put(new LogRestore(id));
        theHold.Accept(name);
    }
};

} // namespace

TEST_F(HoldTest, PutOutsideAHoldOrWhileSuspendedDeletesAtOnce) {
    EXPECT_FALSE(theHold.Holding());
    theHold.Put(new LogRestore("a"));
    EXPECT_EQ(gDestroyed, 1);

    theHold.Begin();
    EXPECT_TRUE(theHold.Holding());
    theHold.Suspend();
    theHold.Suspend();
    theHold.Put(new LogRestore("b"));
    theHold.Resume();
    EXPECT_TRUE(theHold.IsSuspended()); // suspends nest
    EXPECT_FALSE(theHold.Holding());
    theHold.Put(new LogRestore("c"));
    theHold.Resume();
    theHold.Resume(); // one Resume too many does not leave the hold "over-resumed"
    theHold.Suspend();
    EXPECT_FALSE(theHold.Holding());
    theHold.Resume();
    EXPECT_EQ(gDestroyed, 3);
    theHold.Put(new LogRestore("d"));
    theHold.Accept(L"Step");
    EXPECT_EQ(gDestroyed, 3);
    EXPECT_EQ(theHold.NumUndoSteps(), 1);
    EXPECT_EQ(Log(), "Ed ");
}

TEST_F(HoldTest, UndoRunsNewestStepBackwardsAndRedoForwardsWithTheirFlags) {
    Step(L"First", {"1"});
    Step(L"Second", {"a", "b", "c"});
    EXPECT_EQ(theHold.UndoStepName(0), WStr(L"Second"));
    EXPECT_EQ(theHold.UndoStepName(1), WStr(L"First"));
    gLog.clear();

    EXPECT_TRUE(theHold.Undo());
    EXPECT_EQ(Log(), "Rc:1r-- Rb:1r-- Ra:1r-- ");
    EXPECT_FALSE(theHold.Restoring());
    EXPECT_EQ(theHold.NumUndoSteps(), 1);
    EXPECT_EQ(theHold.NumRedoSteps(), 1);
    EXPECT_EQ(theHold.RedoStepName(0), WStr(L"Second"));

    gLog.clear();
    EXPECT_TRUE(theHold.Undo());
    EXPECT_TRUE(theHold.Redo());
    EXPECT_TRUE(theHold.Redo());
    EXPECT_EQ(Log(), "R1:1r-- D1:-d- Da:-d- Db:-d- Dc:-d- ");
    EXPECT_FALSE(theHold.Redoing());
    EXPECT_FALSE(theHold.Redo());
    EXPECT_EQ(theHold.NumUndoSteps(), 2);
    EXPECT_EQ(theHold.UndoStepName(0), WStr(L"Second"));
    EXPECT_EQ(gDestroyed, 0);
}

TEST_F(HoldTest, InnerAcceptMergesIntoTheOuterStep) {
    theHold.Begin();
    theHold.Put(new LogRestore("o1"));
    theHold.Begin();
    theHold.Put(new LogRestore("i1"));
    theHold.Accept(L"Inner");
    EXPECT_EQ(theHold.NumUndoSteps(), 0);
    EXPECT_EQ(theHold.GetBeginDepth(), 1);
    theHold.Put(new LogRestore("o2"));
    theHold.Accept(L"Outer");
    EXPECT_EQ(Log(), "Eo1 Ei1 Eo2 "); // EndHold when the step closes, in the order put
    EXPECT_EQ(theHold.NumUndoSteps(), 1);
    EXPECT_EQ(theHold.UndoStepName(0), WStr(L"Outer"));
    gLog.clear();
    theHold.Undo();
    EXPECT_EQ(Log(), "Ro2:1r-- Ri1:1r-- Ro1:1r-- ");
}

TEST_F(HoldTest, InnerCancelRestoresAndDeletesOnlyTheInnerPart) {
    theHold.Begin();
    theHold.Put(new LogRestore("o1"));
    theHold.Begin();
    theHold.Put(new LogRestore("i1"));
    theHold.Put(new LogRestore("i2"));
    theHold.Cancel();
    EXPECT_EQ(Log(), "Ri2:0r-- Ri1:0r-- Ei1 Ei2 ");
    EXPECT_EQ(gDestroyed, 2);
    EXPECT_TRUE(theHold.Holding());
    theHold.Put(new LogRestore("o2"));
    gLog.clear();
    theHold.Accept(L"Outer");
    theHold.Undo();
    EXPECT_EQ(Log(), "Eo1 Eo2 Ro2:1r-- Ro1:1r-- ");

    // An outermost Cancel makes no step.
    gLog.clear();
    theHold.Begin();
    theHold.Put(new LogRestore("x"));
    theHold.Cancel();
    EXPECT_EQ(Log(), "Rx:0r-- Ex ");
    EXPECT_EQ(theHold.NumUndoSteps(), 0);
    EXPECT_EQ(theHold.GetBeginDepth(), 0);
}

TEST_F(HoldTest, RestoreWithoutEndingKeepsTheObjectsInTheHold) {
    theHold.Begin();
    theHold.Put(new LogRestore("a"));
    theHold.Begin();
    theHold.Put(new LogRestore("b"));
    theHold.Restore(); // the innermost level only
    EXPECT_EQ(Log(), "Rb:0r-- ");
    EXPECT_TRUE(theHold.Holding());
    theHold.Accept(L"");
    theHold.Accept(L"Both");
    EXPECT_EQ(gDestroyed, 0);
    gLog.clear();
    theHold.Undo();
    EXPECT_EQ(Log(), "Rb:1r-- Ra:1r-- ");
}

TEST_F(HoldTest, AnEmptyHoldMakesNoStepAndKeepsTheRedoBuffer) {
    Step(L"A", {"a"});
    theHold.Undo();
    Step(L"Nothing", {});
    theHold.Begin();
    theHold.Suspend();
    theHold.Put(new LogRestore("dropped"));
    theHold.Resume();
    theHold.Accept(L"Suspended");
    EXPECT_EQ(theHold.NumUndoSteps(), 0);
    EXPECT_EQ(theHold.NumRedoSteps(), 1);
    // Undo and redo belong to the command loop: refused while a hold is open.
    theHold.Begin();
    EXPECT_FALSE(theHold.Redo());
    theHold.Cancel();
    EXPECT_TRUE(theHold.Redo());
}

TEST_F(HoldTest, ANewStepClearsTheRedoBufferAndDeletesItsObjects) {
    Step(L"A", {"a1", "a2"});
    Step(L"B", {"b"});
    theHold.Undo();
    theHold.Undo();
    EXPECT_EQ(theHold.NumRedoSteps(), 2);
    Step(L"C", {"c"});
    EXPECT_EQ(theHold.NumRedoSteps(), 0);
    EXPECT_EQ(gDestroyed, 3);
    EXPECT_FALSE(theHold.Redo());
    EXPECT_EQ(theHold.UndoStepName(0), WStr(L"C"));
}

// A redo step may own a target that the new change deletes again; it must be gone before the new change
// records anything, or dropping it at Accept would free what the new step now owns.
TEST_F(HoldTest, TheRedoBufferGoesBeforeTheFirstObjectOfANewChangeIsRecorded) {
    Step(L"A", {"a"});
    theHold.Undo();
    theHold.Begin();
    EXPECT_EQ(theHold.NumRedoSteps(), 1) << "an open hold with nothing in it keeps redo";
    theHold.Put(new LogRestore("b"));
    EXPECT_EQ(theHold.NumRedoSteps(), 0);
    EXPECT_EQ(gDestroyed, 1) << "the redo step's object is freed before the new one is kept";
    theHold.Accept(L"B");
    EXPECT_EQ(theHold.UndoStepName(0), WStr(L"B"));
}

TEST_F(HoldTest, TheStepLimitDropsTheOldestSteps) {
    theHold.SetMaxUndoSteps(3);
    for (int i = 0; i < 5; ++i) Step(WStr::Format(L"S%d", i), {std::to_string(i)});
    EXPECT_EQ(theHold.NumUndoSteps(), 3);
    EXPECT_EQ(gDestroyed, 2);
    EXPECT_EQ(theHold.UndoStepName(2), WStr(L"S2"));
    EXPECT_EQ(theHold.UndoStepName(3), WStr(L""));

    // Lowering the limit trims at once; zero keeps nothing.
    theHold.SetMaxUndoSteps(1);
    EXPECT_EQ(theHold.NumUndoSteps(), 1);
    EXPECT_EQ(theHold.UndoStepName(0), WStr(L"S4"));
    theHold.SetMaxUndoSteps(0);
    Step(L"Gone", {"g"});
    EXPECT_EQ(theHold.NumUndoSteps(), 0);
    EXPECT_EQ(gDestroyed, 6);
}

TEST_F(HoldTest, ClearUndoBufferDeletesEveryObjectIncludingThoseOfAnOpenHold) {
    Step(L"A", {"a1", "a2"});
    Step(L"B", {"b"});
    theHold.Undo();
    theHold.Begin();
    theHold.Put(new LogRestore("open"));
    theHold.ClearUndoBuffer();
    EXPECT_EQ(gDestroyed, 4);
    EXPECT_EQ(theHold.NumUndoSteps(), 0);
    EXPECT_EQ(theHold.NumRedoSteps(), 0);
    // The hold stays open and keeps working.
    EXPECT_EQ(theHold.GetBeginDepth(), 1);
    theHold.Put(new LogRestore("after"));
    theHold.Accept(L"After");
    EXPECT_EQ(theHold.NumUndoSteps(), 1);
    EXPECT_EQ(theHold.Dump().ToUTF8(),
              "depth 0, suspended 0, restoring 0, redoing 0, open objects 0, max steps 20\nundo \"After\" (1)\n");
}

TEST_F(HoldTest, RestoreObjectsThatUseTheHoldDuringUndoDoNotCorruptTheBuffer) {
    int innerDestroyed = 0;
    struct Counted : LogRestore {
        int* n;
        explicit Counted(int* c) : LogRestore("inner"), n(c) {}
        ~Counted() override { ++*n; }
    };
    // During the undo, the object opens a hold, puts into it and accepts it, and even asks to undo.
    theHold.Begin();
    theHold.Put(new LogRestore("first"));
    theHold.Put(new LogRestore("busy", [&] {
        EXPECT_FALSE(theHold.Holding());
        theHold.Begin();
        theHold.Put(new Counted(&innerDestroyed));
        theHold.Accept(L"Nested");
        EXPECT_FALSE(theHold.Undo());
        EXPECT_FALSE(theHold.Redo());
    }));
    theHold.Accept(L"Busy");
    gLog.clear();
    EXPECT_TRUE(theHold.Undo());
    EXPECT_EQ(innerDestroyed, 1); // dropped at once: nothing holds during an undo
    EXPECT_EQ(theHold.NumUndoSteps(), 0);
    EXPECT_EQ(theHold.NumRedoSteps(), 1);
    EXPECT_EQ(theHold.GetBeginDepth(), 0);
    EXPECT_EQ(Log(), "Rbusy:1r-- Rfirst:1r-- ");
    gLog.clear();
    EXPECT_TRUE(theHold.Redo());
    EXPECT_EQ(Log(), "Dfirst:-d- Dbusy:-d- ");
}

TEST_F(HoldTest, ClearingTheBufferFromInsideAnUndoDropsThatStep) {
    Step(L"Old", {"old"});
    theHold.Begin();
    theHold.Put(new LogRestore("a"));
    theHold.Put(new LogRestore("clearer", [] { theHold.ClearUndoBuffer(); }));
    theHold.Accept(L"Clearing");
    EXPECT_TRUE(theHold.Undo());
    // The running step finished its objects, then went with the rest of the buffer.
    EXPECT_EQ(Log(), "Eold Ea Eclearer Rclearer:1r-- Ra:1r-- ");
    EXPECT_EQ(theHold.NumUndoSteps(), 0);
    EXPECT_EQ(theHold.NumRedoSteps(), 0);
    EXPECT_EQ(gDestroyed, 3);
}

TEST_F(HoldTest, WhatEndHoldChangesIsNotRecordedIntoTheClosingStep) {
    struct Ender : LogRestore {
        Ender() : LogRestore("ender") {}
        void EndHold() override {
            LogRestore::EndHold();
            theHold.Put(new LogRestore("late"));
        }
    };
    theHold.Begin();
    theHold.Put(new Ender);
    theHold.Accept(L"Ends");
    EXPECT_EQ(gDestroyed, 1); // "late" was put after the hold closed
    gLog.clear();
    theHold.Undo();
    EXPECT_EQ(Log(), "Render:1r-- ");
}
