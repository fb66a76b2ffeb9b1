// The older parameter block: typed parameters by index; animated parameters hold controllers that are
// the block's sub-animatables.
#pragma once

#include "host/core/PlugApi.h"
#include "host/core/Point3.h"
#include "host/core/ReferenceTarget.h"

#include <iosfwd>

class Control;

// Parameter types of the older block.
enum ParamType {
    TYPE_FLOAT_PB1 = 0,
    TYPE_INT_PB1 = 1,
    TYPE_RGBA_PB1 = 2,
    TYPE_POINT3_PB1 = 3,
    TYPE_BOOL_PB1 = 4
};

// One parameter's layout in the older block.
struct ParamBlockDesc {
    int type = TYPE_FLOAT_PB1; // a ParamType
    bool animatable = true;
};

// The part argument of REFMSG_GET_PARAM_NAME: the older block asks its dependents (its owner) to name
// parameter `index`; the first that knows fills `name`.
struct GetParamName {
    MSTR name;
    int index = -1;
};

// Super class PARAMETER_BLOCK_CLASS_ID. Every value change notifies REFMSG_CHANGE to the dependents and
// remembers the parameter as the last notified one. Reference i holds the controller of parameter i;
// the sub-animatables are the animatable parameters in order (their controllers, null while constant),
// named by the owner through REFMSG_GET_PARAM_NAME ("Parameter <n>" when nobody answers).
// Values convert between int, bool and float; rgba and point3 are the same value type.
class IParamBlock : public ReferenceTarget {
public:
    virtual int NumParams() = 0;
    virtual int GetParameterType(int i) = 0;
    // Sub-animatable number of parameter i, and back; -1 when the parameter is not animatable (or the
    // number is out of range).
    virtual int GetAnimNum(int i) = 0;
    virtual int AnimNumToParamNum(int animNum) = 0;
    virtual Control* GetController(int i) = 0;
    virtual void SetController(int i, Control* c, BOOL preserveFrame0Value = TRUE) = 0;
    virtual void RemoveController(int i) = 0;

    virtual BOOL GetValue(int i, TimeValue t, float& v, Interval& ivalid) = 0;
    virtual BOOL GetValue(int i, TimeValue t, int& v, Interval& ivalid) = 0;
    virtual BOOL GetValue(int i, TimeValue t, Point3& v, Interval& ivalid) = 0;
    virtual BOOL SetValue(int i, TimeValue t, float v) = 0;
    virtual BOOL SetValue(int i, TimeValue t, int v) = 0;
    virtual BOOL SetValue(int i, TimeValue t, const Point3& v) = 0;
    // The parameter the last change notification was about (an edit of its value or controller, or a
    // change inside its controller); -1 when none.
    virtual int LastNotifyParamNum() = 0;
};

// A new older-style block with the given layout (values zero, no controllers assigned).
IParamBlock* CreateParameterBlock(const ParamBlockDesc* desc, int count, ReferenceMaker* owner = nullptr);

constexpr Class_ID PARAMBLOCK_CLASS_ID(PARAMETER_BLOCK_CLASS_ID, 0);

// Parameter by parameter: index, type, value, controller class and value when animated.
void DumpParamBlock(IParamBlock* pb, std::ostream& os, int indent = 0);
