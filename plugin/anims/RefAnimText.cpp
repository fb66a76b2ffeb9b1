// The text shape mirror: text properties changed one by one, written back after every merge.
#include "plugin/anims/RefAnimText.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/scene/Object.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/anims/RefAnimRWMS.h"
#include "plugin/anims/RefAnimRestore.h"
#include "plugin/frame/OperationCode.h"

namespace {

constexpr std::uint8_t kTextProperties = RefAnimText::kFontName | RefAnimText::kText | RefAnimText::kItalic |
                                         RefAnimText::kUnderline | RefAnimText::kAlignment;
constexpr std::uint8_t kAllProperties = kTextProperties | RefAnimText::kMapSize;

ITextObject* TextOf(Animatable* anim) {
    return anim ? static_cast<ITextObject*>(anim->GetInterface(I_TEXTOBJECT)) : nullptr;
}

} // namespace

bool RefAnimText::Read(Animatable* anim, std::uint8_t mask) {
    ITextObject* t = TextOf(anim);
    if (!t) return false;
    if (mask & kFontName) font_ = t->GetFont();
    if (mask & kText) text_ = t->GetString();
    if (mask & kItalic) italic_ = t->GetItalic() ? 1 : 0;
    if (mask & kUnderline) underline_ = t->GetUnderline() ? 1 : 0;
    if (mask & kAlignment) alignment_ = t->GetAlignment();
    bool rws = false;
    if ((mask & kMapSize) && ReadMapSize(anim, rws)) mapSize_ = rws ? 1 : 0;
    return true;
}

std::uint8_t RefAnimText::Differing(Animatable* anim, std::uint8_t mask) {
    ITextObject* t = TextOf(anim);
    if (!t) return 0;
    std::uint8_t out = 0;
    if ((mask & kFontName) && t->GetFont() != font_) out |= kFontName;
    if ((mask & kText) && t->GetString() != text_) out |= kText;
    if ((mask & kItalic) && (t->GetItalic() ? 1 : 0) != italic_) out |= kItalic;
    if ((mask & kUnderline) && (t->GetUnderline() ? 1 : 0) != underline_) out |= kUnderline;
    if ((mask & kAlignment) && t->GetAlignment() != alignment_) out |= kAlignment;
    bool rws = false;
    if ((mask & kMapSize) && ReadMapSize(anim, rws) && (rws ? 1 : 0) != mapSize_) out |= kMapSize;
    return out;
}

void RefAnimText::Write(Animatable* anim, std::uint8_t mask) const {
    ITextObject* t = TextOf(anim);
    if (!t) return;
    if ((mask & kFontName) && t->GetFont() != font_) t->ChangeFont(font_);
    if ((mask & kText) && t->GetString() != text_) t->ChangeText(text_);
    if ((mask & kItalic) && (t->GetItalic() ? 1 : 0) != italic_) t->SetItalic(italic_);
    if ((mask & kUnderline) && (t->GetUnderline() ? 1 : 0) != underline_) t->SetUnderline(underline_);
    if ((mask & kAlignment) && t->GetAlignment() != alignment_) t->SetAlignment(alignment_);
    if (mask & kMapSize) WriteMapSize(anim, mapSize_ != 0);
}

RefResult RefAnimText::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID& partID, RefMessage message,
                                        BOOL) {
    ReferenceTarget* shape = GetAnim();
    if (!shape || hTarget != shape || IsOverridden(REFANIM_REPLACED)) return REF_STOP;
    if (GetCurrentOperation() != OperationCode::None || message != REFMSG_CHANGE) return REF_STOP;
    if (theHold.RestoreOrRedoing()) {
        Read(shape, kAllProperties);
        return REF_STOP;
    }
    std::uint8_t asked = 0;
    if ((partID & PART_OBJ) == PART_OBJ) asked |= kTextProperties;
    if (partID & PART_GEOM) asked |= kMapSize;
    const std::uint8_t diff = Differing(shape, asked);
    if (!diff) return REF_STOP;
    Read(shape, diff);
    SetFlagBits(changed_, diff, true, true, this);
    if (!IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    return REF_STOP;
}

RefResult RefAnimText::SetAnim(ReferenceTarget* anim) {
    const RefResult res = RefAnim::SetAnim(anim);
    Read(anim, static_cast<std::uint8_t>(kAllProperties & ~changed_));
    return res;
}

void RefAnimText::Override(Animatable* root) {
    PathResolution r;
    if (!FollowToFresh(root, r)) return;
    const bool textShape = r.anim && r.anim->ClassID() == TEXT_SHAPE_CLASS_ID;
    if (textShape && IsOverridden(REFANIM_MODIFIED) && changed_) Write(r.anim, changed_);
}

void RefAnimText::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnimText*>(from);
    auto* dst = dynamic_cast<RefAnimText*>(to);
    if (src && dst) {
        dst->font_ = src->font_;
        dst->text_ = src->text_;
        dst->italic_ = src->italic_;
        dst->underline_ = src->underline_;
        dst->alignment_ = src->alignment_;
        dst->mapSize_ = src->mapSize_;
        dst->changed_ = src->changed_;
    }
    RefAnim::BaseClone(from, to, remap);
}

IOResult RefAnimText::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK) res = WriteStringChunk(isave, kFontChunk, font_);
    if (res == IO_OK) res = WriteStringChunk(isave, kTextChunk, text_);
    if (res == IO_OK) res = WriteValueChunk(isave, kStyleChunk, italic_, underline_, alignment_);
    if (res == IO_OK) res = WriteValueChunk(isave, kMapSizeChunk, mapSize_);
    if (res == IO_OK) res = WriteValueChunk(isave, kChangedChunk, changed_);
    return res;
}

IOResult RefAnimText::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kFontChunk: return iload->ReadWStringChunk(font_);
        case kTextChunk: return iload->ReadWStringChunk(text_);
        case kStyleChunk: return ReadValues(iload, italic_, underline_, alignment_);
        case kMapSizeChunk: return ReadValues(iload, mapSize_);
        case kChangedChunk: return ReadValues(iload, changed_);
        default: return LoadKindChunk(iload);
        }
    });
}

MSTR RefAnimText::Describe() {
    MSTR s = RefAnim::Describe();
    if (!changed_) return s;
    static const MCHAR* const kWords[] = {L"fontName, ", L"text, ", L"italic, ", L"underline, ", L"alignment, ", L"RWMS, "};
    s += L"\nChanged: ";
    for (int bit = 0; bit < 6; ++bit)
        if (changed_ & (1u << bit)) s += kWords[bit];
    return s;
}
