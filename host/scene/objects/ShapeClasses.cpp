// The built-in shapes: editable splines (Line), the parametric splines with their parameters and the
// rendering and interpolation settings every shape has, and the text shape (its font and text settings
// behind ITextObject, with undo, messages and persistence, and its size, kerning and leading in a block).
#include "host/scene/objects/BuiltinClasses.h"
#include "host/scene/objects/ConfiguredObject.h"
#include "host/scene/objects/SplineShape.h"

#include <algorithm>
#include <cmath>

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

Animatable* CreateSplineShape(ObjectClassDesc* cd, BOOL loading) {
    return new SplineShape(cd, loading);
}

ObjectClassDesc* Make(ObjectClassDef cls, ObjectClassDesc::Factory f = nullptr) {
    static std::vector<std::unique_ptr<ObjectClassDesc>> keep;
    keep.push_back(std::make_unique<ObjectClassDesc>(std::move(cls), f));
    return keep.back().get();
}

// A shape with its own parameters (ids from 0) and the settings every shape has (ids from 100):
// interpolation steps and how a shape renders.
ObjectClassDef Shape(Class_ID id, const MCHAR* name, std::vector<ParamDef> own, const MCHAR* script = L"") {
    ObjectClassDef cls;
    cls.superClass = SHAPE_CLASS_ID;
    cls.classId = id;
    cls.className = name;
    cls.scriptName = script;
    cls.category = L"Splines";
    cls.params = std::move(own);
    cls.params.insert(cls.params.end(),
                      {MakeIntParam(100, L"steps", 6, 0, 100), MakeBoolParam(101, L"optimize", true),
                       MakeBoolParam(102, L"adaptive", false), MakeBoolParam(103, L"render_renderable", false),
                       MakeBoolParam(104, L"render_displayRenderMesh", false),
                       MakeFloatParam(105, L"render_thickness", 1.0f), MakeIntParam(106, L"render_sides", 12, 3, 100),
                       MakeFloatParam(107, L"render_angle", 0.0f, TYPE_FLOAT)});
    cls.interfaces = {RWS_INTERFACE};
    return cls;
}

// A flat box around the origin from the largest of the named radii (or half sizes).
std::function<Box3(IParamBlock2*, TimeValue)> FlatBox(std::vector<ParamID> radii, float scale = 1.0f) {
    return [radii, scale](IParamBlock2* pb, TimeValue t) {
        float r = 0.0f;
        for (ParamID id : radii) r = std::max(r, std::abs(pb->GetFloat(id, t)) * scale);
        return Box3(Point3(-r, -r, 0.0f), Point3(r, r, 0.0f));
    };
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
        std::vector<ObjectClassDesc*> v{text.get()};

        ObjectClassDef line = Shape(LINE_SHAPE_CLASS_ID, L"Line", {});
        v.push_back(Make(std::move(line), &CreateSplineShape));

        ObjectClassDef circle = Shape(CIRCLE_SHAPE_CLASS_ID, L"Circle", {MakeFloatParam(0, L"radius", 25.0f)});
        circle.boundBox = FlatBox({0});
        v.push_back(Make(std::move(circle)));

        ObjectClassDef rect = Shape(RECTANGLE_SHAPE_CLASS_ID, L"Rectangle",
                                    {MakeFloatParam(0, L"length", 25.0f), MakeFloatParam(1, L"width", 25.0f),
                                     MakeFloatParam(2, L"cornerRadius", 0.0f)});
        rect.boundBox = [](IParamBlock2* pb, TimeValue t) {
            const float l = pb->GetFloat(0, t), w = pb->GetFloat(1, t);
            return Box3(Point3(-w / 2, -l / 2, 0.0f), Point3(w / 2, l / 2, 0.0f));
        };
        v.push_back(Make(std::move(rect)));

        ObjectClassDef ellipse = Shape(ELLIPSE_SHAPE_CLASS_ID, L"Ellipse",
                                       {MakeFloatParam(0, L"length", 25.0f), MakeFloatParam(1, L"width", 25.0f)});
        ellipse.boundBox = FlatBox({0, 1}, 0.5f);
        v.push_back(Make(std::move(ellipse)));

        // 0: inscribed, 1: circumscribed.
        ObjectClassDef ngon = Shape(NGON_SHAPE_CLASS_ID, L"NGon",
                                    {MakeFloatParam(0, L"radius", 25.0f), MakeFloatParam(1, L"cornerRadius", 0.0f),
                                     MakeIntParam(2, L"nsides", 6, 3, 100), MakeBoolParam(3, L"circular", false),
                                     MakeIntParam(4, L"scribe", 0, 0, 1)},
                                    L"Ngon");
        ngon.boundBox = FlatBox({0});
        v.push_back(Make(std::move(ngon)));

        ObjectClassDef star = Shape(STAR_SHAPE_CLASS_ID, L"Star",
                                    {MakeFloatParam(0, L"radius1", 25.0f), MakeFloatParam(1, L"radius2", 12.0f),
                                     MakeIntParam(2, L"points", 6, 3, 100), MakeFloatParam(3, L"distort", 0.0f, TYPE_ANGLE),
                                     MakeFloatParam(4, L"fillet1", 0.0f), MakeFloatParam(5, L"fillet2", 0.0f)});
        star.boundBox = FlatBox({0, 1});
        v.push_back(Make(std::move(star)));

        ObjectClassDef arc = Shape(ARC_SHAPE_CLASS_ID, L"Arc",
                                   {MakeFloatParam(0, L"radius", 25.0f), MakeFloatParam(1, L"from", 0.0f, TYPE_ANGLE),
                                    MakeFloatParam(2, L"to", 45.0f, TYPE_ANGLE), MakeBoolParam(3, L"pie", false),
                                    MakeBoolParam(4, L"reverse", false)});
        arc.boundBox = FlatBox({0});
        v.push_back(Make(std::move(arc)));

        ObjectClassDef donut = Shape(DONUT_SHAPE_CLASS_ID, L"Donut",
                                     {MakeFloatParam(0, L"radius1", 25.0f), MakeFloatParam(1, L"radius2", 20.0f)});
        donut.boundBox = FlatBox({0, 1});
        v.push_back(Make(std::move(donut)));

        // 0: clockwise, 1: counter-clockwise.
        ObjectClassDef helix = Shape(HELIX_SHAPE_CLASS_ID, L"Helix",
                                     {MakeFloatParam(0, L"radius1", 25.0f), MakeFloatParam(1, L"radius2", 25.0f),
                                      MakeFloatParam(2, L"height", 0.0f), MakeFloatParam(3, L"turns", 1.0f, TYPE_FLOAT),
                                      MakeFloatParam(4, L"bias", 0.0f, TYPE_FLOAT), MakeIntParam(5, L"direction", 0, 0, 1)});
        helix.boundBox = [](IParamBlock2* pb, TimeValue t) {
            const float r = std::max(std::abs(pb->GetFloat(0, t)), std::abs(pb->GetFloat(1, t))), h = pb->GetFloat(2, t);
            return Box3(Point3(-r, -r, std::min(0.0f, h)), Point3(r, r, std::max(0.0f, h)));
        };
        v.push_back(Make(std::move(helix)));
        return v;
    }();
    return descs;
}
