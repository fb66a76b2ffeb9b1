// The skin pose interface of a node: the pose a skinned mesh was bound in, reached through
// INode::GetInterface(SKINPOSE_INTERFACE). Every setter puts a restore object while the hold is open.
#pragma once

#include "host/core/BaseInterface.h"
#include "host/core/Point3.h"
#include "host/core/Quat.h"

constexpr Interface_ID SKINPOSE_INTERFACE(0x6C1A3A0B, 0x3F1E2D7A);

class ISkinPose : public BaseInterface {
public:
    Interface_ID GetID() override { return SKINPOSE_INTERFACE; }
    BaseInterface* GetInterface(Interface_ID id) override {
        return id == SKINPOSE_INTERFACE ? this : BaseInterface::GetInterface(id);
    }
    virtual Point3 SkinPos() = 0;
    virtual void SetSkinPos(const Point3& p) = 0;
    // XYZ Euler angles, in radians.
    virtual Point3 SkinRot() = 0;
    virtual void SetSkinRot(const Point3& r) = 0;
    virtual Point3 SkinScale() = 0;
    virtual void SetSkinScale(const Point3& s) = 0;
    virtual Quat SkinScaleOrient() = 0;
    virtual void SetSkinScaleOrient(const Quat& q) = 0;
};
