// The mirror class descriptors.
#include "plugin/anims/MirrorClassDescs.h"

#include "plugin/anims/MirrorKinds.h"
#include "plugin/anims/RefAnimBlockKinds.h"
#include "plugin/anims/RefAnimControllerKinds.h"
#include "plugin/anims/RefAnimMaterialKinds.h"
#include "plugin/anims/RefAnimModifierKinds.h"
#include "plugin/anims/RefAnimObjectKinds.h"
#include "plugin/anims/RefAnimParticleKinds.h"
#include "plugin/anims/RefAnimRefKinds.h"
#include "plugin/anims/RefAnimRigKinds.h"
#include "plugin/frame/OstrivansClassDesc.h"

#include <memory>
#include <vector>

namespace {

class Descriptors {
public:
    Descriptors() {
#define OSTRIVANS_MIRROR_CLASS(name, id, Class, ...) Add<Class>(L"" #Class);
        OSTRIVANS_MIRROR_KINDS(OSTRIVANS_MIRROR_CLASS)
#undef OSTRIVANS_MIRROR_CLASS
    }
    std::span<OstrivansClassDesc* const> Table() const { return table_; }

private:
    // A class's identity and name come from the class itself; its later rows add nothing.
    template <class Kind> void Add(const MCHAR* literalName) {
        for (OstrivansClassDesc* d : table_)
            if (d->ClassID() == Kind::kClassID) return;
        owned_.push_back(std::make_unique<OstrivansClassDesc>(Kind::kNameId, literalName, REFANIM_SUPER_CLASS_ID,
                                                              Kind::kClassID, &CreateWithLoadingFlag<Kind>));
        table_.push_back(owned_.back().get());
    }

    std::vector<std::unique_ptr<OstrivansClassDesc>> owned_;
    std::vector<OstrivansClassDesc*> table_;
};

} // namespace

std::span<OstrivansClassDesc* const> MirrorClassDescs() {
    static const Descriptors descriptors;
    return descriptors.Table();
}
