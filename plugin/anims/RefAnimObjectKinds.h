// Mirrors of scene objects: point-like objects, lights, cameras, text, booleans, scene references, containers
// and scattering objects.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// Mirrors point-like objects (helpers, point objects and space-warp objects).
class RefAnimPointObj : public RefAnimKind<RefAnimPointObj, RefAnim, 0x00090010, IDS_REFANIMPOINTOBJ> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors lights.
class RefAnimStdLight : public RefAnimKind<RefAnimStdLight, RefAnim, 0x000b0011, IDS_REFANIMSTDLIGHT> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors text shapes.
class RefAnimText : public RefAnimKind<RefAnimText, RefAnim, 0x0003001c, IDS_REFANIMTEXT> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors objects and shapes with a real-world map size setting.
class RefAnimRWMS : public RefAnimKind<RefAnimRWMS, RefAnim, 0x00030028, IDS_REFANIMRWMS> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors cameras.
class RefAnimCam : public RefAnimKind<RefAnimCam, RefAnim, 0x000b002c, IDS_REFANIMCAM> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors Boolean compound objects and shape booleans.
class RefAnimBoolean : public RefAnimKind<RefAnimBoolean, RefAnim, 0x0003002d, IDS_REFANIMBOOLEAN> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the newer text object.
class RefAnimTextPlus : public RefAnimKind<RefAnimTextPlus, RefAnim, 0x0003002e, IDS_REFANIMTEXTPLUS> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors scene-reference objects and materials of the host's own external reference system.
class RefAnimXRef : public RefAnimKind<RefAnimXRef, RefAnim, 0x00030031, IDS_REFANIMXREF> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors container helpers.
class RefAnimContainer : public RefAnimKind<RefAnimContainer, RefAnim, 0x00090032, IDS_REFANIMCONTAINER> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors a rail-cloning object class.
class RefAnimRailClone : public RefAnimKind<RefAnimRailClone, RefAnim, 0x00030038, IDS_REFANIMRAILCLONE> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors a forest-scattering object class.
class RefAnimForest : public RefAnimKind<RefAnimForest, RefAnim, 0x0003003a, IDS_REFANIMFOREST> {
public:
    using RefAnimKind::RefAnimKind;
};
