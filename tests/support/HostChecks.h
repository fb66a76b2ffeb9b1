// Checks many host tests share: an edit made as one undo step that undo and redo must give back exactly
// (compared by dump text), and a target's own chunks saved and loaded into a fresh instance of its class.
#pragma once

#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Hold.h"
#include "host/core/ReferenceTarget.h"

#include <gtest/gtest.h>

#include <string>

// Runs edit as one undo step and checks that it changed dump(), that undo gives back the text from before
// and redo the text from after. Returns the text after the edit.
template <class Dump, class Edit> std::string ExpectUndoRedoExact(Dump dump, Edit edit, const char* what = "edit") {
    SCOPED_TRACE(what);
    const std::string before = dump();
    theHold.Begin();
    edit();
    theHold.Accept(L"Edit");
    const std::string after = dump();
    EXPECT_NE(after, before) << "the edit changed nothing";
    EXPECT_TRUE(theHold.Undo());
    EXPECT_EQ(dump(), before) << "undo";
    EXPECT_TRUE(theHold.Redo());
    EXPECT_EQ(dump(), after) << "redo";
    return after;
}

// Saves t's own chunks and loads them into a new instance of its class made for loading (references are
// not restored: that is the scene reader's work). The caller owns the copy.
template <class T> T* ChunkRoundTrip(T* t) {
    ChunkSave save;
    EXPECT_EQ(t->Save(&save), IO_OK);
    ClassDesc* cd = GetClassDirectory().FindClass(t->SuperClassID(), t->ClassID());
    EXPECT_NE(cd, nullptr);
    if (!cd) return nullptr;
    auto* copy = static_cast<ReferenceTarget*>(static_cast<Animatable*>(cd->Create(TRUE)));
    ChunkLoad load(save.Bytes());
    EXPECT_EQ(copy->Load(&load), IO_OK) << load.GetLastError();
    return dynamic_cast<T*>(copy);
}
