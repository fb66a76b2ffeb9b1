// The built-in text shape: its font and text settings behind ITextObject, with undo, messages and
// persistence, and its size, kerning and leading in a parameter block.
#include "host/scene/objects/BuiltinClasses.h"
#include "host/scene/objects/ConfiguredObject.h"

#include <memory>

namespace {

struct TextState {
    MSTR font = L"Arial";
    MSTR text = L"Text";
    BOOL italic = FALSE;
    BOOL underline = FALSE;
    int alignment = TEXTOBJ_LEFT;
};

class TextShape;

class TextStateRestore : public RestoreObj {
public:
    TextStateRestore(TextShape* s, TextState before, TextState after)
        : handle_(0), before_(std::move(before)), after_(std::move(after)) {
        SetOwner(s);
    }
    void Restore(int /*isUndo*/) override;
    void Redo() override;
    MSTR Description() override { return L"Text"; }

private:
    void SetOwner(TextShape* s);
    AnimHandle handle_;
    TextState before_, after_;
};

class TextShape : public ConfiguredObject<ShapeObject>, public ITextObject {
public:
    TextShape(ObjectClassDesc* cd, BOOL loading) : ConfiguredObject<ShapeObject>(cd, loading) {}

    void* GetInterface(ULONG id) override {
        if (id == I_TEXTOBJECT) return static_cast<ITextObject*>(this);
        return ConfiguredObject<ShapeObject>::GetInterface(id);
    }
    using ConfiguredObject<ShapeObject>::GetInterface;

    MSTR GetFont() override { return state_.font; }
    BOOL ChangeFont(const MSTR& name, DWORD /*flags*/) override {
        return Change([&](TextState& s) { s.font = name; });
    }
    MSTR GetString() override { return state_.text; }
    BOOL ChangeText(const MSTR& text) override {
        return Change([&](TextState& s) { s.text = text; });
    }
    BOOL GetItalic() override { return state_.italic; }
    BOOL GetUnderline() override { return state_.underline; }
    BOOL SetItalic(BOOL sw) override {
        return Change([&](TextState& s) { s.italic = sw ? TRUE : FALSE; });
    }
    BOOL SetUnderline(BOOL sw) override {
        return Change([&](TextState& s) { s.underline = sw ? TRUE : FALSE; });
    }
    int GetAlignment() override { return state_.alignment; }
    BOOL SetAlignment(int type) override {
        if (type < TEXTOBJ_LEFT || type > TEXTOBJ_JUSTIFIED) return FALSE;
        return Change([&](TextState& s) { s.alignment = type; });
    }

    // Stores and notifies, without undo record.
    void ApplyState(const TextState& s) {
        state_ = s;
        NotifyDependents(FOREVER, PART_TOPO | PART_GEOM, REFMSG_CHANGE);
    }

protected:
    void CopyOwnState(ConfiguredCore* to) override { static_cast<TextShape*>(to)->state_ = state_; }
    IOResult SaveOwn(ISave* isave) override {
        isave->BeginChunk(kTextChunk);
        WriteStringChunk(isave, kFontChunk, state_.font);
        WriteStringChunk(isave, kStringChunk, state_.text);
        const int v[3] = {state_.italic, state_.underline, state_.alignment};
        WriteValueChunk(isave, kFlagsChunk, v);
        return isave->EndChunk();
    }
    IOResult LoadOwnChunk(ILoad* iload) override {
        if (iload->CurChunkID() != kTextChunk) return IO_OK;
        return ForEachChunk(iload, [&](USHORT id) {
            switch (id) {
            case kFontChunk: return iload->ReadWStringChunk(state_.font);
            case kStringChunk: return iload->ReadWStringChunk(state_.text);
            case kFlagsChunk: {
                int v[3] = {0, 0, 0};
                const IOResult res = ReadValues(iload, v);
                state_.italic = v[0] ? TRUE : FALSE;
                state_.underline = v[1] ? TRUE : FALSE;
                state_.alignment = v[2];
                return res;
            }
            default: return IO_OK;
            }
        });
    }
    void DumpOwn(std::ostream& os, int indent) override {
        static const char* const kAlign[] = {"left", "center", "right", "justified"};
        const int a = state_.alignment >= 0 && state_.alignment <= 3 ? state_.alignment : 0;
        os << std::string(static_cast<size_t>(indent), ' ') << "text \"" << state_.text << "\" font \""
           << state_.font << "\"" << (state_.italic ? " italic" : "")
           << (state_.underline ? " underline" : "") << " " << kAlign[a] << "\n";
    }

private:
    template <class F> BOOL Change(F edit) {
        TextState next = state_;
        edit(next);
        if (next.font == state_.font && next.text == state_.text && next.italic == state_.italic &&
            next.underline == state_.underline && next.alignment == state_.alignment)
            return TRUE;
        if (theHold.Holding()) theHold.Put(new TextStateRestore(this, state_, next));
        ApplyState(next);
        return TRUE;
    }

    static constexpr USHORT kTextChunk = 0x3F00;
    static constexpr USHORT kFontChunk = 0x3F01;
    static constexpr USHORT kStringChunk = 0x3F02;
    static constexpr USHORT kFlagsChunk = 0x3F03;
    TextState state_;
};

void TextStateRestore::SetOwner(TextShape* s) {
    handle_ = Animatable::GetHandleByAnim(s);
}
void TextStateRestore::Restore(int /*isUndo*/) {
    if (auto* s = dynamic_cast<TextShape*>(Animatable::GetAnimByHandle(handle_))) s->ApplyState(before_);
}
void TextStateRestore::Redo() {
    if (auto* s = dynamic_cast<TextShape*>(Animatable::GetAnimByHandle(handle_))) s->ApplyState(after_);
}

Animatable* CreateText(ObjectClassDesc* cd, BOOL loading) {
    return new TextShape(cd, loading);
}

} // namespace

const std::vector<ObjectClassDesc*>& ShapeClassDescs() {
    static const std::vector<ObjectClassDesc*> descs = [] {
        static std::unique_ptr<ObjectClassDesc> text;
        ObjectClassDef cls;
        cls.superClass = SHAPE_CLASS_ID;
        cls.classId = TEXT_SHAPE_CLASS_ID;
        cls.className = L"Text";
        cls.category = L"Splines";
        cls.params = {MakeFloatParam(0, L"size", 100.0f), MakeFloatParam(1, L"kerning", 0.0f),
                      MakeFloatParam(2, L"leading", 0.0f)};
        cls.interfaces = {RWS_INTERFACE};
        text = std::make_unique<ObjectClassDesc>(std::move(cls), &CreateText);
        return std::vector<ObjectClassDesc*>{text.get()};
    }();
    return descs;
}
