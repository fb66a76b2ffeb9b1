// Every mirror kind id, named: the one list of kinds (id, name, the class it creates and how), from which
// the kind rule's tables, the mirror factory and the mirror class descriptors are built.
#pragma once

#include "host/core/MaxTypes.h"

// Kind id bits. The low 16 bits number the kind; the high bits tell the walk what to do with it.
constexpr DWORD KIND_CREATES_MIRROR = 0x00010000;  // a mirror of the kind is created for the animatable
constexpr DWORD KIND_DESCENDS = 0x00020000;        // the walk descends into the animatable's children
constexpr DWORD KIND_SPECIAL_CREATE = 0x00040000;  // nodes and the IK guard: made without bit 16; nothing tests it
constexpr DWORD KIND_KEEPS_OWN = 0x00080000;       // keeps its own kind where a caller falls back to the plain one
constexpr DWORD KIND_FLAG = 0x00100000;            // handed to the new mirror as its kind flag
constexpr DWORD KIND_NO_FALLBACK = 0x00200000;     // no mirror where a caller falls back; descended into only
constexpr DWORD KIND_NODE = 0x00400000;            // set on nodes; nothing tests it
constexpr DWORD KIND_NUMBER_MASK = 0x0000FFFF;

// Codes that create no mirror.
constexpr DWORD KIND_UNDECIDED = 0;                // no decision: the caller takes the plain mirror or skips
constexpr DWORD KIND_NEVER = 2;                    // never mirrored, never descended into
constexpr DWORD KIND_DESCEND_ONLY = 0x00020000;    // no mirror, descended into
constexpr DWORD KIND_NODE_DERIVED = 0x00220000;    // a derived object held by a node: no mirror here, descended
constexpr DWORD KIND_IK_GUARD = 0x000E0034;        // an IK solver on a referenced node: creates nothing, undoes it

// The mirror kinds: X(name, kind id, class created, arguments after the loading flag). Rows of one class
// stand together, and the classes stand in the order the module registers their descriptors, so the first
// row of a class carries its descriptor.
#define OSTRIVANS_MIRROR_KINDS(X)                                                                         \
    X(KIND_PLAIN,             0x00010001, RefAnim)                /* any animatable without a kind */     \
    X(KIND_PLAIN_FLAGGED,     0x00110013, RefAnim)                /* the plain mirror with its kind flag */ \
    X(KIND_NODE_MIRROR,       0x0044000B, RefAnim)                /* a node */                            \
    X(KIND_PBLOCK,            0x00030003, RefAnimPblock)                                                  \
    X(KIND_PBLOCK2,           0x00230004, RefAnimPblock2, 0)      /* tab resizes go to the parent */      \
    X(KIND_PBLOCK2_WHOLE_TAB, 0x00230029, RefAnimPblock2, 1)      /* a resized tab is kept whole */       \
    X(KIND_PBLOCK2_ELEMENTS,  0x0023002A, RefAnimPblock2, 2)      /* only changed elements are kept */   \
    X(KIND_PBLOCK2_HELD,      0x00030036, RefAnimPblock2, 0, true) /* applied inside one undo step */     \
    X(KIND_INDEP_REFS,        0x00030006, RefAnimIndepRefs)                                               \
    X(KIND_CA,                0x00030007, RefAnimCA)                                                      \
    X(KIND_LIST_CTRL,         0x00030008, RefAnimListCtrl)                                                \
    X(KIND_WITH_REFS,         0x00030009, RefAnimWithRefs)                                                \
    X(KIND_LOC_DEP,           0x0003000C, RefAnimLocDep)                                                  \
    X(KIND_LINK_CTRL,         0x0003000D, RefAnimLinkCtrl)                                                \
    X(KIND_BIP,               0x0001000E, RefAnimBip)                                                     \
    X(KIND_POINT_OBJ,         0x00090010, RefAnimPointObj)                                                \
    X(KIND_STD_LIGHT,         0x000B0011, RefAnimStdLight)                                                \
    X(KIND_POINT_MOD,         0x00010012, RefAnimPointMod)                                                \
    X(KIND_MOD,               0x00030014, RefAnimMod)                                                     \
    X(KIND_WITH_REFS_MOD,     0x00030015, RefAnimWithRefsMod)                                             \
    X(KIND_PF_SOURCE,         0x00030016, RefAnimPFSource, 1)                                             \
    X(KIND_PF_EVENT,          0x00030017, RefAnimPFSource, 0)                                             \
    X(KIND_SKIN,              0x00030018, RefAnimSkin)                                                    \
    X(KIND_MTL,               0x0003001A, RefAnimMtl)                                                     \
    X(KIND_TEXMAP,            0x0003001B, RefAnimTexmap)                                                  \
    X(KIND_TEXT,              0x0003001C, RefAnimText)                                                    \
    X(KIND_LINKED_XFORM,      0x0003001D, RefAnimLinkedXForm)                                             \
    X(KIND_CLOTH,             0x0003001E, RefAnimCloth)                                                   \
    X(KIND_CONSTRAINT,        0x0003001F, RefAnimConstraint)                                              \
    X(KIND_MULTI_SUB_MTL,     0x00030020, RefAnimMultiSubMtl)                                             \
    X(KIND_REACTION,          0x00030024, RefAnimReaction)                                                \
    X(KIND_MORPHER,           0x00030019, RefAnimMorpher)                                                 \
    X(KIND_BEVEL_PROFILE,     0x00030025, RefAnimBevelProfile)                                            \
    X(KIND_EULER,             0x00030026, RefAnimEuler)                                                   \
    X(KIND_PRS,               0x00030027, RefAnimPRS)                                                     \
    X(KIND_RWMS,              0x00030028, RefAnimRWMS)                                                    \
    X(KIND_CAT,               0x0003002B, RefAnimCAT)                                                     \
    X(KIND_CAM,               0x000B002C, RefAnimCam)                                                     \
    X(KIND_BOOLEAN,           0x0003002D, RefAnimBoolean)                                                 \
    X(KIND_TEXT_PLUS,         0x0003002E, RefAnimTextPlus)                                                \
    X(KIND_DERIV_OBJ,         0x000B002F, RefAnimDerivObj)                                                \
    X(KIND_LAYER_CTRL,        0x000B0030, RefAnimLayerCtrl)                                               \
    X(KIND_XREF,              0x00030031, RefAnimXRef)                                                    \
    X(KIND_CONTAINER,         0x00090032, RefAnimContainer)                                               \
    X(KIND_CAT_CTRL,          0x000B0033, RefAnimCATCtrl)                                                 \
    X(KIND_DATA_CHANNEL,      0x000B0035, RefAnimDataChannel)                                             \
    X(KIND_PF_TEST,           0x00230037, RefAnimPFTest)                                                  \
    X(KIND_RAIL_CLONE,        0x00030038, RefAnimRailClone)                                               \
    X(KIND_BIP_CTRL,          0x00030039, RefAnimBipCtrl)                                                 \
    X(KIND_FOREST,            0x0003003A, RefAnimForest)                                                  \
    X(KIND_LINK_TM,           0x0003003B, RefAnimLinkTM)

#define OSTRIVANS_KIND_CONSTANT(name, id, ...) constexpr DWORD name = id;
OSTRIVANS_MIRROR_KINDS(OSTRIVANS_KIND_CONSTANT)
#undef OSTRIVANS_KIND_CONSTANT
