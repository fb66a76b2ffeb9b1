// A mixin interface description shared by a family of classes: the family's base descriptor gets it by
// construction, the other descriptors are given it here and lose it again before the description goes.
#pragma once

#include "host/core/ClassDesc.h"
#include "host/core/FPInterface.h"

#include <memory>
#include <vector>

class SharedMixinDesc {
public:
    SharedMixinDesc(std::unique_ptr<FPInterfaceDesc> desc, std::vector<ClassDesc*> alsoOn)
        : desc_(std::move(desc)), alsoOn_(std::move(alsoOn)) {
        for (ClassDesc* cd : alsoOn_)
            cd->AddInterface(desc_.get());
    }
    ~SharedMixinDesc() {
        for (ClassDesc* cd : alsoOn_)
            cd->RemoveInterface(desc_.get());
    }
    SharedMixinDesc(const SharedMixinDesc&) = delete;
    SharedMixinDesc& operator=(const SharedMixinDesc&) = delete;

    FPInterfaceDesc* Get() const { return desc_.get(); }

private:
    std::unique_ptr<FPInterfaceDesc> desc_;
    std::vector<ClassDesc*> alsoOn_;
};
