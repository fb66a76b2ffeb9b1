// Notification table: order, duplicates, and handlers that change the table while a broadcast runs.
#include "host/core/Notify.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A handler's identity is (proc, param); the param is a Probe that logs its name.
struct Probe {
    std::string name;
    std::vector<std::string>* log;
    std::vector<void*> params;
};

void LogProc(void* param, NotifyInfo* info) {
    auto* p = static_cast<Probe*>(param);
    p->log->push_back(p->name);
    p->params.push_back(info->callParam);
}

class Notifications : public ::testing::Test {
protected:
    void SetUp() override { ResetNotificationsForTests(); }
    void TearDown() override { ResetNotificationsForTests(); }
    std::vector<std::string> log;
    std::string Log() const {
        std::string s;
        for (const auto& e : log) s += e + " ";
        return s;
    }
};

constexpr int kCode = 0xDFA2;

} // namespace

TEST_F(Notifications, HandlersRunInRegistrationOrderAndDuplicatesKeepOneEntry) {
    Probe a{"a", &log, {}}, b{"b", &log, {}}, c{"c", &log, {}};
    RegisterNotification(LogProc, &a, kCode);
    RegisterNotification(LogProc, &b, kCode);
    RegisterNotification(LogProc, &c, kCode);
    RegisterNotification(LogProc, &a, kCode); // same triple: keeps its first place
    RegisterNotification(LogProc, &b, NOTIFY_FILE_PRE_OPEN);
    EXPECT_EQ(NumRegisteredNotifications(kCode), 3);

    int payload = 7;
    BroadcastNotification(kCode, &payload);
    EXPECT_EQ(Log(), "a b c ");
    EXPECT_EQ(a.params, std::vector<void*>{&payload});

    // Removing one registration leaves the same handler on other codes.
    EXPECT_EQ(UnRegisterNotification(LogProc, &b, kCode), 1);
    EXPECT_EQ(UnRegisterNotification(LogProc, &b, kCode), 0);
    log.clear();
    BroadcastNotification(kCode);
    BroadcastNotification(NOTIFY_FILE_PRE_OPEN);
    EXPECT_EQ(Log(), "a c b ");
    EXPECT_EQ(a.params.back(), nullptr);

    // A handler removed and registered again goes to the end.
    UnRegisterNotification(LogProc, &a, kCode);
    RegisterNotification(LogProc, &a, kCode);
    log.clear();
    BroadcastNotification(kCode);
    EXPECT_EQ(Log(), "c a ");
}

TEST_F(Notifications, UnRegisterWithoutCodeRemovesTheHandlerFromEveryCodeOnly) {
    Probe a{"a", &log, {}}, b{"b", &log, {}};
    for (int code : {NOTIFY_SYSTEM_PRE_RESET, NOTIFY_SYSTEM_PRE_NEW, NOTIFY_FILE_PRE_OPEN, NOTIFY_SYSTEM_SHUTDOWN}) {
        RegisterNotification(LogProc, &a, code);
        RegisterNotification(LogProc, &b, code);
    }
    EXPECT_EQ(UnRegisterNotification(LogProc, &a), 1);
    EXPECT_EQ(UnRegisterNotification(LogProc, &a), 0);
    BroadcastNotification(NOTIFY_SYSTEM_PRE_RESET);
    BroadcastNotification(NOTIFY_SYSTEM_SHUTDOWN);
    EXPECT_EQ(Log(), "b b ");
    EXPECT_EQ(DumpNotifications().ToUTF8(),
              "NOTIFY_SYSTEM_PRE_RESET: 1 handler\nNOTIFY_SYSTEM_PRE_NEW: 1 handler\n"
              "NOTIFY_FILE_PRE_OPEN: 1 handler\nNOTIFY_SYSTEM_SHUTDOWN: 1 handler\n");
    // The owner registered last goes and comes back: its removal finds it again.
    for (int round = 0; round < 2; ++round) {
        RegisterNotification(LogProc, &a, kCode);
        EXPECT_EQ(UnRegisterNotification(LogProc, &a), 1) << "round " << round;
    }
}

TEST_F(Notifications, AnOwnerOfManyCodesKeepsEachPlaceWhenOthersAreSqueezedOut) {
    // Six codes: more than an owner's registrations hold in place. Others come before it on every code
    // and go again, so each list is squeezed and the owner's positions must follow.
    const int codes[] = {NOTIFY_SYSTEM_PRE_RESET, NOTIFY_SYSTEM_PRE_NEW,  NOTIFY_FILE_PRE_OPEN,
                         NOTIFY_SYSTEM_SHUTDOWN,  NOTIFY_FILE_PRE_SAVE, NOTIFY_FILE_POST_SAVE};
    std::vector<Probe> crowd(40, Probe{"x", &log, {}});
    Probe a{"a", &log, {}}, b{"b", &log, {}};
    for (int code : codes)
        for (Probe& p : crowd) RegisterNotification(LogProc, &p, code);
    for (int code : codes) RegisterNotification(LogProc, &a, code);
    for (int code : codes) RegisterNotification(LogProc, &b, code);
    for (Probe& p : crowd) EXPECT_EQ(UnRegisterNotification(LogProc, &p), 1);

    EXPECT_EQ(UnRegisterNotification(LogProc, &a, NOTIFY_SYSTEM_PRE_NEW), 1);
    EXPECT_EQ(UnRegisterNotification(LogProc, &a, NOTIFY_FILE_POST_SAVE), 1);
    for (int code : codes) BroadcastNotification(code);
    EXPECT_EQ(Log(), "a b b a b a b a b b ");
    EXPECT_EQ(UnRegisterNotification(LogProc, &a), 1);
    log.clear();
    for (int code : codes) BroadcastNotification(code);
    EXPECT_EQ(Log(), "b b b b b b ");
}

namespace {
// A handler that edits the table in its turn of the first two broadcasts, then only logs.
struct Editor {
    std::vector<std::string>* log;
    Probe* toRemove;
    Probe* toAdd;
    bool removeSelf;
    int calls = 0;
};

void EditorProc(void* param, NotifyInfo* info) {
    auto* e = static_cast<Editor*>(param);
    e->log->push_back("editor");
    if (++e->calls > 2) return;
    if (e->removeSelf) UnRegisterNotification(EditorProc, e, info->intcode);
    if (e->toRemove) UnRegisterNotification(LogProc, e->toRemove, kCode);
    if (e->toAdd) RegisterNotification(LogProc, e->toAdd, kCode);
}

// Registered: first, the editor, victim, last. A handler added during a broadcast waits for the next one
// (and a second attempt keeps its one entry); one removed before its turn is not called, even when it is
// registered again within the same broadcast.
struct EditCase {
    const char* what;
    bool removeSelf, removeVictim, addVictim, addNew;
    const char* broadcasts;
};
const EditCase kEdits[] = {
    {"removes itself", true, false, false, false, "first editor victim last | first victim last | first victim last "},
    {"adds a handler", false, false, false, true,
     "first editor victim last | first editor victim last added | first editor victim last added "},
    {"removes a later one", false, true, false, false, "first editor last | first editor last | first editor last "},
    {"removes a later one and adds it again", false, true, true, false,
     "first editor last | first editor last | first editor last victim "},
};
} // namespace

TEST_F(Notifications, HandlersThatEditTheTableDuringABroadcast) {
    for (const EditCase& c : kEdits) {
        ResetNotificationsForTests();
        Probe first{"first", &log, {}}, victim{"victim", &log, {}}, last{"last", &log, {}}, added{"added", &log, {}};
        Editor editor{&log, c.removeVictim ? &victim : nullptr, c.addVictim ? &victim : c.addNew ? &added : nullptr,
                      c.removeSelf};
        RegisterNotification(LogProc, &first, kCode);
        RegisterNotification(EditorProc, &editor, kCode);
        RegisterNotification(LogProc, &victim, kCode);
        RegisterNotification(LogProc, &last, kCode);
        std::string seen;
        for (int i = 0; i < 3; ++i, log.clear()) {
            BroadcastNotification(kCode);
            seen += (i ? "| " : "") + Log();
        }
        EXPECT_EQ(seen, c.broadcasts) << c.what;
    }
}

namespace {
// Inside a broadcast of the outer code, a nested broadcast removes many outer handlers at once, enough
// to make the table want to compact: the outer broadcast must still visit exactly the survivors.
struct MassRemoval {
    std::vector<Probe>* probes;
    bool done = false;
};

void NestedRemover(void* param, NotifyInfo*) {
    auto* m = static_cast<MassRemoval*>(param);
    if (m->done) return;
    m->done = true;
    for (size_t i = 0; i < m->probes->size(); ++i)
        if (i % 10 != 0) UnRegisterNotification(LogProc, &(*m->probes)[i], kCode);
}

void OuterTrigger(void*, NotifyInfo*) { BroadcastNotification(NOTIFY_SYSTEM_PRE_RESET); }
} // namespace

TEST_F(Notifications, RemovalsFromANestedBroadcastDoNotDisturbTheOuterOne) {
    std::vector<Probe> probes;
    for (int i = 0; i < 200; ++i) probes.push_back(Probe{std::to_string(i), &log, {}});
    MassRemoval removal{&probes};
    RegisterNotification(OuterTrigger, nullptr, kCode);
    for (Probe& p : probes) RegisterNotification(LogProc, &p, kCode);
    RegisterNotification(NestedRemover, &removal, NOTIFY_SYSTEM_PRE_RESET);

    BroadcastNotification(kCode);
    std::string expected;
    for (int i = 0; i < 200; i += 10) expected += std::to_string(i) + " ";
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(NumRegisteredNotifications(kCode), 21);

    // After compaction the survivors keep their order and can still be removed individually.
    EXPECT_EQ(UnRegisterNotification(LogProc, &probes[190], kCode), 1);
    log.clear();
    BroadcastNotification(kCode);
    expected.clear();
    for (int i = 0; i < 190; i += 10) expected += std::to_string(i) + " ";
    EXPECT_EQ(Log(), expected);
}

namespace {
int gCalls = 0;
void CountProc(void*, NotifyInfo*) { ++gCalls; }
} // namespace

TEST_F(Notifications, OneHundredThousandRegistrationsComeAndGoInLinearTime) {
    // One registration per record of a large scene; removing them one by one must not scan the list
    // (a quadratic table makes this test run for minutes).
    constexpr int kCount = 100000;
    std::vector<char> params(kCount);
    for (int i = 0; i < kCount; ++i) RegisterNotification(CountProc, &params[static_cast<size_t>(i)], NOTIFY_SYSTEM_PRE_RESET);
    gCalls = 0;
    BroadcastNotification(NOTIFY_SYSTEM_PRE_RESET);
    EXPECT_EQ(gCalls, kCount);
    // Remove every other one from the front, then the rest from the back.
    for (int i = 0; i < kCount; i += 2) UnRegisterNotification(CountProc, &params[static_cast<size_t>(i)], NOTIFY_SYSTEM_PRE_RESET);
    gCalls = 0;
    BroadcastNotification(NOTIFY_SYSTEM_PRE_RESET);
    EXPECT_EQ(gCalls, kCount / 2);
    for (int i = kCount - 1; i > 0; i -= 2) EXPECT_EQ(UnRegisterNotification(CountProc, &params[static_cast<size_t>(i)]), 1);
    EXPECT_EQ(NumRegisteredNotifications(NOTIFY_SYSTEM_PRE_RESET), 0);
}
