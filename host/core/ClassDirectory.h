// The host's directory of plug-in classes: every class descriptor the loaded modules registered, found by
// (super class, class id) when a scene file names a class, and by name when a script does.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/WStr.h"

#include <string>
#include <unordered_map>
#include <vector>

class ClassDesc;

// One registered class; names and identity are taken when the class is added.
class ClassEntry {
public:
    ClassDesc* CD() const { return cd_; }
    SClass_ID SuperClassID() const { return superClassId_; }
    Class_ID ClassID() const { return classId_; }
    const MSTR& ClassName() const { return name_; }
    HINSTANCE Module() const { return module_; }

private:
    friend class ClassDirectory;
    ClassDesc* cd_ = nullptr;
    SClass_ID superClassId_ = 0;
    Class_ID classId_;
    MSTR name_;
    HINSTANCE module_ = nullptr;
};

class ClassDirectory {
public:
    // Registers cd. Throws MAXException, naming both classes, when a class with the same super class and
    // class id is registered already (or cd is null); the directory is then unchanged.
    void AddClass(ClassDesc* cd);

    ClassDesc* FindClass(SClass_ID superClassId, const Class_ID& classId) const;
    const ClassEntry* FindClassEntry(SClass_ID superClassId, const Class_ID& classId) const;
    // By class name, case-insensitive, the first registered; with a super class, only within it.
    ClassDesc* FindClassByName(const MCHAR* name) const;
    ClassDesc* FindClassByName(SClass_ID superClassId, const MCHAR* name) const;

    int Count() const { return static_cast<int>(entries_.size()); }
    // Registration order; null out of range.
    ClassDesc* GetClassAt(int i) const;
    const ClassEntry* GetEntryAt(int i) const;

    // A new instance through the class's descriptor, or null for a class nobody registered.
    void* CreateInstance(SClass_ID superClassId, const Class_ID& classId, bool loading = false) const;

    // Drops every class of one module (as unloading it does); returns how many were removed.
    int RemoveModuleClasses(HINSTANCE module);
    // Drops one descriptor; false when it was not registered.
    bool RemoveClass(ClassDesc* cd);
    void Clear();

    // One line per class in registration order: "0: Name super 0x50 class (0x1, 0x2)".
    std::string ToString() const;

private:
    struct Key {
        SClass_ID superClassId;
        Class_ID classId;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const noexcept {
            return std::hash<Class_ID>()(k.classId) * 31u + std::hash<SClass_ID>()(k.superClassId);
        }
    };
    void Reindex();

    std::vector<ClassEntry> entries_;
    std::unordered_map<Key, size_t, KeyHash> byId_;
    std::unordered_map<std::wstring, std::vector<size_t>> byName_;
};

// The process's one directory: the host program and every module see the same classes.
ClassDirectory& GetClassDirectory();

// A new instance of a registered class (null when none is registered), as the host SDK's free function.
void* CreateInstance(SClass_ID superClassId, Class_ID classId);
