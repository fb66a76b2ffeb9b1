// Mesh geometry in scene files: what is saved loads back equal, and damaged geometry is refused whole
// (the mesh keeps what it held) instead of leaving faces that name no vertex.
#include "host/core/ChunkFields.h"
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/scene/PolyMesh.h"

#include <gtest/gtest.h>

namespace {

PolyMesh Quad() {
    PolyMesh m;
    for (const Point3& p : {Point3(0, 0, 0), Point3(1, 0, 0), Point3(1, 1, 0), Point3(0, 1, 0)}) m.AddVert(p);
    m.AddFace({0, 1, 2, 3});
    return m;
}

// The mesh chunk written by hand: vertices, face starts and corners as given.
std::vector<std::uint8_t> MeshBytes(int verts, const std::vector<int>& starts, const std::vector<int>& corners) {
    ChunkSave s;
    s.BeginChunk(PolyMesh::kMeshChunk);
    WriteListChunk<int>(&s, PolyMesh::kVertsChunk, std::vector<Point3>(static_cast<size_t>(verts)));
    WriteListChunk<int>(&s, PolyMesh::kStartsChunk, starts);
    WriteListChunk<int>(&s, PolyMesh::kCornersChunk, corners);
    s.EndChunk();
    EXPECT_EQ(s.Commit(), IO_OK);
    return s.Bytes();
}

IOResult LoadInto(PolyMesh& m, std::vector<std::uint8_t> bytes) {
    ChunkLoad l(std::move(bytes));
    if (l.OpenChunk() != IO_OK) return IO_ERROR;
    const IOResult res = m.Load(&l);
    l.CloseChunk();
    return res;
}

TEST(PolyMeshTest, SavedMeshLoadsBackEqualAndTriangulatesAsAFan) {
    ChunkSave s;
    ASSERT_EQ(Quad().Save(&s), IO_OK);
    ASSERT_EQ(s.Commit(), IO_OK);
    PolyMesh read;
    ASSERT_EQ(LoadInto(read, s.Bytes()), IO_OK);
    EXPECT_EQ(read, Quad());
    const PolyMesh tri = read.Triangulated();
    ASSERT_EQ(tri.getNumFaces(), 2);
    EXPECT_EQ(tri.Face(1), (std::vector<int>{0, 2, 3}));
}

TEST(PolyMeshTest, DamagedGeometryIsRefusedAndTheMeshKept) {
    const struct {
        const char* what;
        std::vector<int> starts, corners;
    } rows[] = {
        {"a corner past the last vertex", {0, 3}, {0, 1, 4}},
        {"a negative corner", {0, 3}, {0, -1, 2}},
        {"a face of two corners", {0, 2}, {0, 1}},
        {"starts that miss the corners", {0, 3}, {0, 1, 2, 3}},
        {"no starts", {}, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        PolyMesh m = Quad();
        EXPECT_EQ(LoadInto(m, MeshBytes(4, r.starts, r.corners)), IO_ERROR);
        EXPECT_EQ(m, Quad());
    }
}

} // namespace
