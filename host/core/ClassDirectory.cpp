// The directory of registered plug-in classes, indexed by identity and by name.
#include "host/core/ClassDirectory.h"

#include "host/core/ClassDesc.h"
#include "host/core/MaxException.h"

#include <algorithm>
#include <cstdio>

namespace {
std::wstring Folded(const MSTR& s) { return s.ToLower().str(); }

std::string IdentityText(SClass_ID superClassId, const Class_ID& classId) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "super class 0x%x", static_cast<unsigned>(superClassId));
    return std::string(buf) + ", class id " + classId.ToString();
}
} // namespace

void ClassDirectory::AddClass(ClassDesc* cd) {
    if (!cd) throw MAXException(L"Class directory: cannot add a null class descriptor");
    ClassEntry e;
    e.cd_ = cd;
    e.superClassId_ = cd->SuperClassID();
    e.classId_ = cd->ClassID();
    e.name_ = cd->ClassName() ? cd->ClassName() : L"";
    e.module_ = cd->HInstance();
    auto it = byId_.find({e.superClassId_, e.classId_});
    if (it != byId_.end()) {
        const ClassEntry& old = entries_[it->second];
        throw MAXException(L"Class directory: cannot add class \"" + e.name_ + L"\" (" +
                           WStr::FromUTF8(IdentityText(e.superClassId_, e.classId_)) + L"): class \"" + old.name_ +
                           L"\" is already registered with the same super class and class id");
    }
    entries_.push_back(std::move(e));
    size_t at = entries_.size() - 1;
    byId_.emplace(Key{entries_[at].superClassId_, entries_[at].classId_}, at);
    byName_[Folded(entries_[at].name_)].push_back(at);
}

const ClassEntry* ClassDirectory::FindClassEntry(SClass_ID superClassId, const Class_ID& classId) const {
    auto it = byId_.find({superClassId, classId});
    return it == byId_.end() ? nullptr : &entries_[it->second];
}

ClassDesc* ClassDirectory::FindClass(SClass_ID superClassId, const Class_ID& classId) const {
    const ClassEntry* e = FindClassEntry(superClassId, classId);
    return e ? e->cd_ : nullptr;
}

ClassDesc* ClassDirectory::FindClassByName(const MCHAR* name) const {
    if (!name) return nullptr;
    auto it = byName_.find(Folded(name));
    return it == byName_.end() ? nullptr : entries_[it->second.front()].cd_;
}

ClassDesc* ClassDirectory::FindClassByName(SClass_ID superClassId, const MCHAR* name) const {
    if (!name) return nullptr;
    auto it = byName_.find(Folded(name));
    if (it == byName_.end()) return nullptr;
    for (size_t i : it->second)
        if (entries_[i].superClassId_ == superClassId) return entries_[i].cd_;
    return nullptr;
}

ClassDesc* ClassDirectory::GetClassAt(int i) const {
    const ClassEntry* e = GetEntryAt(i);
    return e ? e->cd_ : nullptr;
}

const ClassEntry* ClassDirectory::GetEntryAt(int i) const {
    return i >= 0 && i < Count() ? &entries_[static_cast<size_t>(i)] : nullptr;
}

void* ClassDirectory::CreateInstance(SClass_ID superClassId, const Class_ID& classId, bool loading) const {
    ClassDesc* cd = FindClass(superClassId, classId);
    return cd ? cd->Create(loading ? TRUE : FALSE) : nullptr;
}

int ClassDirectory::RemoveModuleClasses(HINSTANCE module) {
    size_t before = entries_.size();
    std::erase_if(entries_, [module](const ClassEntry& e) { return e.module_ == module; });
    int removed = static_cast<int>(before - entries_.size());
    if (removed) Reindex();
    return removed;
}

bool ClassDirectory::RemoveClass(ClassDesc* cd) {
    size_t before = entries_.size();
    std::erase_if(entries_, [cd](const ClassEntry& e) { return e.cd_ == cd; });
    if (before == entries_.size()) return false;
    Reindex();
    return true;
}

void ClassDirectory::Clear() {
    entries_.clear();
    Reindex();
}

void ClassDirectory::Reindex() {
    byId_.clear();
    byName_.clear();
    for (size_t i = 0; i < entries_.size(); ++i) {
        byId_.emplace(Key{entries_[i].superClassId_, entries_[i].classId_}, i);
        byName_[Folded(entries_[i].name_)].push_back(i);
    }
}

std::string ClassDirectory::ToString() const {
    std::string s;
    for (size_t i = 0; i < entries_.size(); ++i) {
        char head[48];
        std::snprintf(head, sizeof head, " super 0x%x class ", static_cast<unsigned>(entries_[i].superClassId_));
        s += std::to_string(i) + ": " + entries_[i].name_.ToUTF8() + head + entries_[i].classId_.ToString() + "\n";
    }
    return s;
}

ClassDirectory& GetClassDirectory() {
    static ClassDirectory directory;
    return directory;
}

void* CreateInstance(SClass_ID superClassId, Class_ID classId) {
    return GetClassDirectory().CreateInstance(superClassId, classId);
}
