// A controller holding one value of type T for the parameter block tests: its value is only valid for frames
// 0 to 100 (as an animated one's), and changes of it are undone.
#pragma once

#include "host/core/Hold.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"

template <class T, SClass_ID S> class TestValueControl : public Control {
public:
    explicit TestValueControl(T v = T()) : value(v) {}
    ~TestValueControl() override { DeleteAllRefs(); }
    Class_ID ClassID() override { return Class_ID(0x7E57C000, S); }
    SClass_ID SuperClassID() override { return S; }
    void GetClassName(MSTR& s, bool) const override { s = L"TestCtrl"; }
    void GetValue(TimeValue, void* val, Interval& valid, GetSetMethod) override {
        *static_cast<T*>(val) = value;
        valid &= Interval(0, 100);
    }
    void SetValue(TimeValue, void* val, int, GetSetMethod) override {
        struct Undo : RestoreObj {
            TestValueControl* c;
            T before, after;
            Undo(TestValueControl* c, T b, T a) : c(c), before(b), after(a) {}
            void Restore(int) override { c->value = before; }
            void Redo() override { c->value = after; }
        };
        const T next = *static_cast<T*>(val);
        if (theHold.Holding()) theHold.Put(new Undo(this, value, next));
        value = next;
        NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    }
    RefTargetHandle Clone(RemapDir& remap) override {
        auto* c = new TestValueControl(value);
        BaseClone(this, c, remap);
        return c;
    }
    T value;
};
using FloatCtrl = TestValueControl<float, CTRL_FLOAT_CLASS_ID>;
using Point3Ctrl = TestValueControl<Point3, CTRL_POINT3_CLASS_ID>;
