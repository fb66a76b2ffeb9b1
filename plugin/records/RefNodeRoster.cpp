// Every live node record in creation order, heard through one registration for the codes that end a scene.
#include "plugin/records/RefNodeRoster.h"

#include "host/core/Notify.h"
#include "plugin/records/RefNode.h"

#include <cstdint>

namespace {

// The host codes that end the scene the records' nodes live in.
constexpr int kSceneEndCodes[] = {NOTIFY_SYSTEM_PRE_RESET, NOTIFY_SYSTEM_PRE_NEW, NOTIFY_FILE_PRE_OPEN,
                                  NOTIFY_SYSTEM_SHUTDOWN};

RefNode* gFirst = nullptr;
RefNode* gLast = nullptr;
// Numbers records as they join, so a broadcast knows which ones were there when it began.
std::uint64_t gJoined = 0;

// A broadcast in progress: the next record to call and the number of the last one that was there when
// it began. A record leaving moves the next one past itself; broadcasts nest through their handlers.
struct Pass {
    RefNode* next;
    std::uint64_t last;
    Pass* outer;
};
Pass* gPasses = nullptr;

} // namespace

void RefNodeRoster::Join(RefNode* record) {
    record->rosterPrev_ = gLast;
    record->rosterNext_ = nullptr;
    record->rosterNumber_ = ++gJoined;
    if (gLast)
        gLast->rosterNext_ = record;
    else {
        gFirst = record;
        for (int code : kSceneEndCodes) RegisterNotification(&RefNodeRoster::OnSceneEnds, nullptr, code);
    }
    gLast = record;
}

void RefNodeRoster::Leave(RefNode* record) {
    const bool member = record->rosterPrev_ || gFirst == record;
    if (!member) return;
    for (Pass* p = gPasses; p; p = p->outer)
        if (p->next == record) p->next = record->rosterNext_;
    (record->rosterPrev_ ? record->rosterPrev_->rosterNext_ : gFirst) = record->rosterNext_;
    (record->rosterNext_ ? record->rosterNext_->rosterPrev_ : gLast) = record->rosterPrev_;
    record->rosterPrev_ = record->rosterNext_ = nullptr;
    if (!gFirst) UnRegisterNotification(&RefNodeRoster::OnSceneEnds, nullptr);
}

void RefNodeRoster::OnSceneEnds(void*, NotifyInfo* info) {
    Pass pass{gFirst, gJoined, gPasses};
    gPasses = &pass;
    struct Unlink {
        Pass& pass;
        ~Unlink() { gPasses = pass.outer; }
    } unlink{pass};
    while (RefNode* record = pass.next) {
        if (record->rosterNumber_ > pass.last) break;
        pass.next = record->rosterNext_;
        record->OnSceneEnds(info);
    }
}
