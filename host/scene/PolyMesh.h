// The geometry of editable meshes and polys: vertices and faces of three or more corners, stored flat
// (a triangle mesh holds only triangles), with its own chunks and dump.
#pragma once

#include "host/core/Box3.h"
#include "host/core/ChunkIO.h"
#include "host/core/Point3.h"

#include <ostream>
#include <vector>

class PolyMesh {
public:
    int getNumVerts() const { return static_cast<int>(verts_.size()); }
    int getNumFaces() const { return static_cast<int>(starts_.size()) - 1; }
    // 0-based; the caller checks the range.
    const Point3& getVert(int i) const { return verts_[static_cast<size_t>(i)]; }
    void setVert(int i, const Point3& p) { verts_[static_cast<size_t>(i)] = p; }
    int AddVert(const Point3& p);
    // A face through the given vertices in order (three or more, each an existing vertex).
    void AddFace(const std::vector<int>& corners);
    // The corners of face f.
    std::vector<int> Face(int f) const;
    int FaceDegree(int f) const;

    // Every face of more than three corners split into a fan of triangles.
    PolyMesh Triangulated() const;
    // One Catmull-Clark step: each face of k corners becomes k quads through its centre and its edges'
    // points; open borders follow the curve of their border (a corner where more than two border edges
    // meet stays put).
    PolyMesh Subdivided() const;
    // Every vertex through tm.
    void Transform(const class Matrix3& tm);
    Box3 Bounds() const;

    // Chunk kMeshChunk: the vertices, the face starts and the corners. Load reads the open chunk and
    // refuses a corner that names no vertex.
    IOResult Save(ISave* isave) const;
    IOResult Load(ILoad* iload);
    static constexpr USHORT kMeshChunk = 0x3A00;
    static constexpr USHORT kVertsChunk = 0x3A01;
    static constexpr USHORT kStartsChunk = 0x3A02;
    static constexpr USHORT kCornersChunk = 0x3A03;

    // "mesh 8 verts 6 faces (3: 0 4: 6) bounds (...)": counts, faces by degree, and the bounds.
    void Dump(std::ostream& os, int indent) const;
    bool operator==(const PolyMesh&) const = default;

private:
    std::vector<Point3> verts_;
    std::vector<int> starts_{0}; // face f: corners_[starts_[f] .. starts_[f+1])
    std::vector<int> corners_;
};
