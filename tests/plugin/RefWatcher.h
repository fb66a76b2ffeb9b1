// A reference target standing where a record, or something outside the referenced content (a rig, a
// script, a list of nodes), stands: it holds one target and notes every message it hears. It is locked,
// so dropping references to it never deletes it: it lives on a test's stack or the test releases it.
#pragma once

#include "host/core/ReferenceTarget.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

class RefWatcher : public ReferenceTarget {
public:
    explicit RefWatcher(ReferenceTarget* target = nullptr) {
        SetAFlag(A_LOCK_TARGET);
        if (target) ReplaceReference(0, target);
    }
    ~RefWatcher() override { DeleteAllRefs(); }
    Class_ID ClassID() override { return Class_ID(0x7e57a11c, 0x2); }
    SClass_ID SuperClassID() override { return REF_TARGET_CLASS_ID; }
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? held : nullptr; }
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle, PartID& part, RefMessage m, BOOL) override {
        heard.emplace_back(m, part);
        return REF_SUCCEED;
    }
    bool Heard(RefMessage m) const {
        return std::any_of(heard.begin(), heard.end(), [m](const auto& h) { return h.first == m; });
    }
    // The module's own messages (0x8663DFxx) heard since the last call, as "message:part " in hex.
    std::string TakeOwnMessages() {
        std::ostringstream os;
        for (const auto& [m, part] : heard)
            if ((m & 0xffffff00) == 0x8663df00) os << std::hex << m << ":" << part << " ";
        heard.clear();
        return os.str();
    }

    ReferenceTarget* held = nullptr;
    std::vector<std::pair<RefMessage, PartID>> heard;

protected:
    void SetReference(int i, RefTargetHandle t) override {
        if (i == 0) held = t;
    }
};
