// Mesh geometry: building, triangulating, transforming, persistence and dump.
#include "host/scene/PolyMesh.h"

#include "host/core/ChunkFields.h"
#include "host/core/Matrix3.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>

int PolyMesh::AddVert(const Point3& p) {
    verts_.push_back(p);
    return getNumVerts() - 1;
}

void PolyMesh::AddFace(const std::vector<int>& corners) {
    corners_.insert(corners_.end(), corners.begin(), corners.end());
    starts_.push_back(static_cast<int>(corners_.size()));
}

std::vector<int> PolyMesh::Face(int f) const {
    return std::vector<int>(corners_.begin() + starts_[static_cast<size_t>(f)],
                            corners_.begin() + starts_[static_cast<size_t>(f) + 1]);
}

int PolyMesh::FaceDegree(int f) const {
    return starts_[static_cast<size_t>(f) + 1] - starts_[static_cast<size_t>(f)];
}

PolyMesh PolyMesh::Triangulated() const {
    PolyMesh out;
    out.verts_ = verts_;
    for (int f = 0; f < getNumFaces(); ++f) {
        const int* c = corners_.data() + starts_[static_cast<size_t>(f)];
        for (int k = 1; k + 1 < FaceDegree(f); ++k)
            out.AddFace({c[0], c[k], c[k + 1]});
    }
    return out;
}

PolyMesh PolyMesh::Subdivided() const {
    const int nv = getNumVerts(), nf = getNumFaces();
    PolyMesh out;
    // Edges by their two vertices, with the number of faces along each and the sum of their centres.
    struct Edge {
        int a, b, faces = 0;
        Point3 faceSum;
    };
    std::vector<Edge> edges;
    std::unordered_map<std::uint64_t, int> edgeAt;
    auto edgeOf = [&](int a, int b) {
        const std::uint64_t key =
            (static_cast<std::uint64_t>(std::min(a, b)) << 32) | static_cast<std::uint32_t>(std::max(a, b));
        auto [it, added] = edgeAt.emplace(key, static_cast<int>(edges.size()));
        if (added) edges.push_back(Edge{a, b, 0, Point3(0.0f, 0.0f, 0.0f)});
        return it->second;
    };
    auto vert = [&](int v) -> const Point3& { return verts_[static_cast<size_t>(v)]; };
    std::vector<Point3> facePoint(static_cast<size_t>(nf));
    std::vector<int> faceEdges(corners_.size());
    for (int f = 0; f < nf; ++f) {
        const int k = FaceDegree(f), at = starts_[static_cast<size_t>(f)];
        Point3 c(0.0f, 0.0f, 0.0f);
        for (int i = 0; i < k; ++i) c = c + vert(corners_[static_cast<size_t>(at + i)]);
        c = c / static_cast<float>(k);
        facePoint[static_cast<size_t>(f)] = c;
        for (int i = 0; i < k; ++i) {
            const int e = edgeOf(corners_[static_cast<size_t>(at + i)], corners_[static_cast<size_t>(at + (i + 1) % k)]);
            faceEdges[static_cast<size_t>(at + i)] = e;
            Edge& edge = edges[static_cast<size_t>(e)];
            edge.faces += 1;
            edge.faceSum = edge.faceSum + c;
        }
    }
    // Per vertex: the face centres around it, its edges' midpoints, and its neighbours along open borders.
    const Point3 zero(0.0f, 0.0f, 0.0f);
    std::vector<Point3> faceSum(static_cast<size_t>(nv), zero), midSum(static_cast<size_t>(nv), zero),
        borderSum(static_cast<size_t>(nv), zero);
    std::vector<int> faceCount(static_cast<size_t>(nv), 0), edgeCount(static_cast<size_t>(nv), 0),
        borderCount(static_cast<size_t>(nv), 0);
    for (int f = 0; f < nf; ++f)
        for (int i = 0; i < FaceDegree(f); ++i) {
            const size_t v = static_cast<size_t>(corners_[static_cast<size_t>(starts_[static_cast<size_t>(f)] + i)]);
            faceSum[v] = faceSum[v] + facePoint[static_cast<size_t>(f)];
            ++faceCount[v];
        }
    for (const Edge& e : edges) {
        const Point3 mid = (vert(e.a) + vert(e.b)) * 0.5f;
        for (int v : {e.a, e.b}) {
            const size_t i = static_cast<size_t>(v);
            midSum[i] = midSum[i] + mid;
            ++edgeCount[i];
            if (e.faces == 1) {
                borderSum[i] = borderSum[i] + vert(v == e.a ? e.b : e.a);
                ++borderCount[i];
            }
        }
    }
    for (int v = 0; v < nv; ++v) {
        const size_t i = static_cast<size_t>(v);
        const Point3& p = verts_[i];
        if (borderCount[i] == 2) {
            out.AddVert((p * 6.0f + borderSum[i]) / 8.0f);
        } else if (borderCount[i] > 0 || faceCount[i] == 0 || edgeCount[i] < 3) {
            out.AddVert(p);
        } else {
            const float n = static_cast<float>(edgeCount[i]);
            const Point3 q = faceSum[i] / static_cast<float>(faceCount[i]), r = midSum[i] / n;
            out.AddVert((q + r * 2.0f + p * (n - 3.0f)) / n);
        }
    }
    const int edgeBase = out.getNumVerts();
    for (const Edge& e : edges) {
        const Point3 sum = vert(e.a) + vert(e.b);
        out.AddVert(e.faces == 2 ? (sum + e.faceSum) / 4.0f : sum * 0.5f);
    }
    const int faceBase = out.getNumVerts();
    for (const Point3& c : facePoint) out.AddVert(c);
    for (int f = 0; f < nf; ++f) {
        const int k = FaceDegree(f), at = starts_[static_cast<size_t>(f)];
        for (int i = 0; i < k; ++i) {
            const int prev = faceEdges[static_cast<size_t>(at + (i + k - 1) % k)];
            out.AddFace({corners_[static_cast<size_t>(at + i)], edgeBase + faceEdges[static_cast<size_t>(at + i)],
                         faceBase + f, edgeBase + prev});
        }
    }
    return out;
}

void PolyMesh::Transform(const Matrix3& tm) {
    for (Point3& p : verts_)
        p = tm.PointTransform(p);
}

Box3 PolyMesh::Bounds() const {
    Box3 b;
    for (const Point3& p : verts_)
        b += p;
    return b;
}

IOResult PolyMesh::Save(ISave* isave) const {
    isave->BeginChunk(kMeshChunk);
    IOResult res = WriteListChunk<int>(isave, kVertsChunk, verts_);
    if (res == IO_OK) res = WriteListChunk<int>(isave, kStartsChunk, starts_);
    if (res == IO_OK) res = WriteListChunk<int>(isave, kCornersChunk, corners_);
    const IOResult end = isave->EndChunk();
    return res != IO_OK ? res : end;
}

IOResult PolyMesh::Load(ILoad* iload) {
    PolyMesh read;
    read.starts_.clear();
    IOResult res = ForEachChunk(iload, [&](USHORT id) {
        switch (id) {
        case kVertsChunk: return ReadList<int>(iload, read.verts_);
        case kStartsChunk: return ReadList<int>(iload, read.starts_);
        case kCornersChunk: return ReadList<int>(iload, read.corners_);
        default: return IO_OK;
        }
    });
    if (res != IO_OK) return res;
    // Starts rise from 0 to the corner count; every corner names a vertex.
    bool ok = !read.starts_.empty() && read.starts_.front() == 0 &&
              read.starts_.back() == static_cast<int>(read.corners_.size());
    for (size_t i = 1; ok && i < read.starts_.size(); ++i)
        ok = read.starts_[i] - read.starts_[i - 1] >= 3;
    for (size_t i = 0; ok && i < read.corners_.size(); ++i)
        ok = read.corners_[i] >= 0 && read.corners_[i] < read.getNumVerts();
    if (!ok) return IO_ERROR;
    *this = std::move(read);
    return IO_OK;
}

void PolyMesh::Dump(std::ostream& os, int indent) const {
    std::map<int, int> byDegree;
    for (int f = 0; f < getNumFaces(); ++f)
        ++byDegree[FaceDegree(f)];
    os << std::string(static_cast<size_t>(indent), ' ') << "mesh " << getNumVerts() << " verts " << getNumFaces()
       << " faces (";
    bool first = true;
    for (const auto& [degree, n] : byDegree) {
        os << (first ? "" : " ") << degree << ": " << n;
        first = false;
    }
    os << ")";
    if (const Box3 b = Bounds(); !b.IsEmpty()) {
        char buf[160];
        std::snprintf(buf, sizeof buf, " bounds (%.4f, %.4f, %.4f) (%.4f, %.4f, %.4f)", b.pmin.x, b.pmin.y, b.pmin.z,
                      b.pmax.x, b.pmax.y, b.pmax.z);
        os << buf;
    }
    os << "\n";
}
