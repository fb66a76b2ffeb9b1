// What every modifier mirror adds to its base: a holder that keeps a changed modifier alive with its
// modifier context while the referenced content (and its stack) is out of the scene, and the context copy
// kept when no holder could be built.
#pragma once

#include "host/scene/Modifier.h"
#include "plugin/anims/RefAnim.h"

#include <memory>
#include <type_traits>

class IDerivedObject;
struct NotifyInfo;

// The holder is a derived object over a placeholder base object with the modifier as its one modifier; it
// is the reference after the base's own (reference 1 of a mirror whose base has only its animatable). The
// modifier stays alive through reference 0 and through the holder as long as the mirror is Modified, so
// both are saved with the scene; at the re-merge the kept modifier goes back into the fresh stack in the
// fresh modifier's place with the context the holder kept, and the holder is released.
template <class Base> class ModifierMirror : public Base {
public:
    explicit ModifierMirror(BOOL loading = FALSE) : Base(loading) {}
    ~ModifierMirror() override;

    int NumRefs() override { return HolderRef() + 1; }
    RefTargetHandle GetReference(int i) override;
    // The modifier is kept while it carries the user's change, the holder while the mirror is Modified.
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    // The plain modifier mirror; kinds with additions of their own are never passive.
    bool IsPassive() const override { return this->GetKindID() == KIND_MOD; }
    // A Modified mirror whose modifier is in its stack builds its holder with the modifier's context (or
    // keeps a copy of the context where no holder can be built); one whose content is away keeps what it
    // holds. A modifier mirror never becomes LocDep: the holder is what keeps its modifier.
    void CollectLocDep(DWORD stamp) override;
    // A Modified mirror puts its modifier back in the fresh one's place; an untouched one follows it.
    // Either way the holder goes.
    void Override(Animatable* root) override;
    void ReleaseHeldRefs() override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    IOResult LoadKindChunk(ILoad* iload) override;
    MSTR Describe() override;

    IDerivedObject* GetHolder() const;
    const ModContext* GetKeptContext() const { return context_.get(); }
    // The reference slot of the holder.
    int HolderRef() { return Base::NumRefs(); }

    // The extra-reference count chunk of the wrapped kinds.
    static constexpr USHORT kExtraRefCountChunk = 0x2A;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;
    // Kinds that keep no context copy (point modifiers).
    virtual bool KeepsContext() const { return true; }

private:
    // Whether the kind writes the wrapped pattern (the base inside chunk 0x29, then the extra-reference
    // count) rather than appending its context to the base chunks.
    static constexpr bool kWrapped = !std::is_same_v<Base, RefAnim>;
    static USHORT ContextChunk();
    // Registered for the host's post-save notification: the holder made for the save goes afterwards.
    static void ReleaseAfterSave(void* param, NotifyInfo* info);
    void HookPostSave();
    void UnhookPostSave();

    ReferenceTarget* holder_ = nullptr;
    std::unique_ptr<ModContext> context_;
    bool postSaveHooked_ = false;
    bool overridingModifier_ = false;
};
