// The mirror of a text shape: the text properties the user changed (font, text, italic, underline,
// alignment, real-world map size), each kept on its own and written into the fresh shape after a merge.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <cstdint>

class RefAnimText : public RefAnimKind<RefAnimText, RefAnim, KIND_TEXT, IDS_REFANIMTEXT> {
public:
    using RefAnimKind::RefAnimKind;

    // Bits of the set of properties the user changed.
    static constexpr std::uint8_t kFontName = 0x01;
    static constexpr std::uint8_t kText = 0x02;
    static constexpr std::uint8_t kItalic = 0x04;
    static constexpr std::uint8_t kUnderline = 0x08;
    static constexpr std::uint8_t kAlignment = 0x10;
    static constexpr std::uint8_t kMapSize = 0x20;

    bool IsModified() const override { return false; }
    // A text change (parts topology and geometry) compares the five text properties, a geometry change the
    // map size; each difference is stored, its bit set and the mirror marked, all undoable. Undo and redo
    // re-read the stored values.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Follows the shape and reads the properties the user did not change.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // On a fresh text shape, a marked mirror writes the changed properties back; otherwise it follows.
    void Override(Animatable* root) override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    MSTR Describe() override;

    std::uint8_t GetChangedSet() const { return changed_; }
    const WStr& GetFontName() const { return font_; }
    const WStr& GetText() const { return text_; }

    static constexpr USHORT kFontChunk = 0x2A;
    static constexpr USHORT kTextChunk = 0x2B;
    static constexpr USHORT kStyleChunk = 0x2C;  // italic, underline, alignment
    static constexpr USHORT kMapSizeChunk = 0x2D;
    static constexpr USHORT kChangedChunk = 0x2E;

private:
    // Reads the properties in mask from the shape into the stores; false when anim is not a text shape.
    bool Read(Animatable* anim, std::uint8_t mask);
    // The properties in mask whose stored value differs from the shape's.
    std::uint8_t Differing(Animatable* anim, std::uint8_t mask);
    void Write(Animatable* anim, std::uint8_t mask) const;

    WStr font_;
    WStr text_;
    std::int32_t italic_ = 0;
    std::int32_t underline_ = 0;
    std::int32_t alignment_ = 0;
    std::int32_t mapSize_ = 0;
    std::uint8_t changed_ = 0;
};
