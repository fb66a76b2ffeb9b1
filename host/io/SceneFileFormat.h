// Layout of the host's scene file: the chunk ids, the header and the special object ids.
#pragma once

#include "host/core/ChunkIO.h"

#include <cstdint>

// A scene file is a chunk stream (host/core/ChunkIO.h) after a 12-byte header:
//
//   header   "OSTRSCN1" | version u32
//   0x1000   classes         container of 0x1001 class: super class u32 | class id a u32 | b u32 | name UTF-16
//   0x2000   objects         container of 0x2001 object, in object-id order (ids start at 0):
//              0x2002 class      class-table index u32
//              0x2003 body       what the object's Save wrote (its own chunks)
//              0x2004 refs       count u32 | one object id i32 per reference (kNullId for none)
//              0x2005 attribs    count u32 | the ids of its custom attributes, in order (absent when none)
//              0x2006 app data   its app data blocks (host/io/AppDataChunks.h; absent when none)
//   0x3000   nodes           count u32 | (node id i32, parent id i32) per node, siblings in order; the
//                            parent is another listed node, or kNullId for the root
//   0x4000   scene           container:
//              0x4001 layers     count u32 | layer ids in the layer manager's order | current layer index i32
//              0x4002 materials  count u32 | ids of the scene material library's materials
//              0x4003 set        container: 0x4004 name (UTF-16), 0x4005 count u32 | node ids
//              0x4006 root app data  the scene root's app data blocks (absent when none)
//              0x4007 data       container, one per scene data handler (SceneDataHandler.h):
//                                0x4008 name (UTF-16), 0x4009 body (what the handler's Save wrote)
//              0x400A slots      count u32 | the material editor's slots in order (kNullId for an empty one;
//                                absent in files written before the editor's slots were kept)
//
// An id is an index in the object table or one of the special ids below. Every object is created through
// its class descriptor for loading, reads its own body, and only once every object exists are the
// references restored, so the order of the table carries no meaning beyond ids.
namespace scenefile {

inline constexpr char kMagic[8] = {'O', 'S', 'T', 'R', 'S', 'C', 'N', '1'};
inline constexpr std::uint32_t kVersion = 1;
inline constexpr size_t kHeaderSize = sizeof kMagic + sizeof kVersion;

inline constexpr USHORT kClassesChunk = 0x1000;
inline constexpr USHORT kClassChunk = 0x1001;
inline constexpr USHORT kObjectsChunk = 0x2000;
inline constexpr USHORT kObjectChunk = 0x2001;
inline constexpr USHORT kObjectClassChunk = 0x2002;
inline constexpr USHORT kObjectBodyChunk = 0x2003;
inline constexpr USHORT kObjectRefsChunk = 0x2004;
inline constexpr USHORT kObjectAttribsChunk = 0x2005;
inline constexpr USHORT kObjectAppDataChunk = 0x2006;
inline constexpr USHORT kNodesChunk = 0x3000;
inline constexpr USHORT kSceneChunk = 0x4000;
inline constexpr USHORT kLayersChunk = 0x4001;
inline constexpr USHORT kMaterialsChunk = 0x4002;
inline constexpr USHORT kSelSetChunk = 0x4003;
inline constexpr USHORT kSelSetNameChunk = 0x4004;
inline constexpr USHORT kSelSetNodesChunk = 0x4005;
inline constexpr USHORT kRootAppDataChunk = 0x4006;
inline constexpr USHORT kSceneDataChunk = 0x4007;
inline constexpr USHORT kSceneDataNameChunk = 0x4008;
inline constexpr USHORT kSceneDataBodyChunk = 0x4009;
inline constexpr USHORT kEditorSlotsChunk = 0x400A;

// A reference written as null: no target, or a weak one nothing persists.
inline constexpr std::int32_t kNullId = -1;
// The scene's own singletons are never written as objects: a reference to one of them is restored to the
// one of the scene the file is read into.
inline constexpr std::int32_t kSceneRootId = -2;
inline constexpr std::int32_t kSceneMtlLibId = -3;
inline constexpr std::int32_t kLayerManagerId = -4;
inline constexpr std::int32_t kLowestSpecialId = kLayerManagerId;

} // namespace scenefile
