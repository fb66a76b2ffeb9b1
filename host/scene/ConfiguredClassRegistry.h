// Registration of classes made from a configuration (generic controllers, materials): one descriptor per
// configuration for the life of the process, so a class keeps its descriptor across directory resets.
#pragma once

#include "host/core/ClassDirectory.h"

#include <deque>

// The descriptor of config's class, registered with the class directory: the one already registered when
// it has the same configuration, null when another class holds its ids, else a descriptor made before for
// the same configuration (the directory may have been cleared since) or a new one. Desc is constructed
// from the configuration and answers Config(); same(a, b) compares configurations.
template <class Desc, class Config, class Same>
ClassDesc* RegisterConfiguredClass(std::deque<Desc>& descs, const Config& config, Same&& same) {
    ClassDirectory& dir = GetClassDirectory();
    if (ClassDesc* existing = dir.FindClass(config.superClassId, config.classId)) {
        for (Desc& d : descs)
            if (&d == existing && same(d.Config(), config)) return existing;
        return nullptr;
    }
    for (Desc& d : descs) {
        if (same(d.Config(), config)) {
            dir.AddClass(&d);
            return &d;
        }
    }
    descs.emplace_back(config);
    dir.AddClass(&descs.back());
    return &descs.back();
}
