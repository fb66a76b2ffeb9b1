// Test helpers for node tests: a listener that references one target and logs what it hears, and a
// capture of the rename notification's parameters.
#pragma once

#include "host/core/Notify.h"
#include "host/core/ReferenceTarget.h"

#include <string>
#include <vector>

struct HeardRef {
    RefMessage message;
    PartID part;
};

class RefListener : public ReferenceMaker {
public:
    explicit RefListener(ReferenceTarget* t) { ReplaceReference(0, t); }
    ~RefListener() override { DeleteAllRefs(); }
    Class_ID ClassID() override { return Class_ID(0x7E5A0001, 0); }
    SClass_ID SuperClassID() override { return 0x7E50; }
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int) override { return target_; }
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle, PartID& part, RefMessage msg, BOOL) override {
        heard.push_back({msg, part});
        return REF_SUCCEED;
    }
    int Count(RefMessage m) const {
        int n = 0;
        for (const HeardRef& h : heard) n += h.message == m;
        return n;
    }
    bool Heard(RefMessage m, PartID part) const {
        for (const HeardRef& h : heard)
            if (h.message == m && h.part == part) return true;
        return false;
    }
    std::vector<HeardRef> heard;
    ReferenceTarget* target_ = nullptr;

protected:
    void SetReference(int, RefTargetHandle t) override { target_ = t; }
};

// Copies the rename notification's strings while the broadcast runs.
struct RenameCapture {
    RenameCapture() { RegisterNotification(&On, this, NOTIFY_NODE_RENAMED); }
    ~RenameCapture() { UnRegisterNotification(&On, this, NOTIFY_NODE_RENAMED); }
    static void On(void* p, NotifyInfo* info) {
        auto* self = static_cast<RenameCapture*>(p);
        auto* nc = static_cast<NameChange*>(info->callParam);
        self->seen.push_back({WStr(nc->oldname).ToUTF8(), WStr(nc->newname).ToUTF8(), nc->node});
    }
    struct Seen {
        std::string oldName, newName;
        INode* node;
    };
    std::vector<Seen> seen;
};
