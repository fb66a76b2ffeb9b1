// The root of every interface a host object or plug-in can hand out by Interface_ID.
#pragma once

#include "host/core/MaxTypes.h"

constexpr Interface_ID BASEINTERFACE_ID(0, 1);
constexpr Interface_ID FPINTERFACE_ID(0, 2);
constexpr Interface_ID FPMIXININTERFACE_ID(0, 3);
constexpr Interface_ID FPINTERFACEDESC_ID(0, 4);

class BaseInterface {
public:
    // Who ends an interface's life: the host's published interfaces live as long as their owner.
    enum LifetimeType { noRelease, immediateRelease, wantsRelease, serverControlled };

    virtual ~BaseInterface() = default;

    virtual Interface_ID GetID() { return BASEINTERFACE_ID; }
    // This interface when id names it (or one of its bases), otherwise null.
    virtual BaseInterface* GetInterface(Interface_ID id) { return id == BASEINTERFACE_ID ? this : nullptr; }

    virtual LifetimeType LifetimeControl() { return noRelease; }
    virtual BaseInterface* AcquireInterface() { return this; }
    virtual void ReleaseInterface() {}
    virtual void DeleteInterface() {}
};
