// Mesh geometry: building, triangulating, transforming, persistence and dump.
#include "host/scene/PolyMesh.h"

#include "host/core/ChunkFields.h"
#include "host/core/Matrix3.h"

#include <cstdio>
#include <map>
#include <string>

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
