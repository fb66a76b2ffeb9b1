// Editable splines: edits with undo, bounds, persistence and dump.
#include "host/scene/objects/SplineShape.h"

#include <cstdio>

namespace {

class SplinesRestore : public RestoreObj {
public:
    SplinesRestore(SplineShape* s, std::vector<Spline3D> before, std::vector<Spline3D> after)
        : handle_(Animatable::GetHandleByAnim(s)), before_(std::move(before)), after_(std::move(after)) {}
    void Restore(int /*isUndo*/) override { Apply(before_); }
    void Redo() override { Apply(after_); }
    MSTR Description() override { return L"Edit Spline"; }

private:
    void Apply(const std::vector<Spline3D>& s) {
        if (auto* shape = dynamic_cast<SplineShape*>(Animatable::GetAnimByHandle(handle_))) shape->ApplySplines(s);
    }
    AnimHandle handle_;
    std::vector<Spline3D> before_, after_;
};

} // namespace

int SplineShape::NumKnots() const {
    int n = 0;
    for (const Spline3D& s : splines_) n += static_cast<int>(s.knots.size());
    return n;
}

void SplineShape::SetSplines(std::vector<Spline3D> next) {
    if (next == splines_) return;
    if (theHold.Holding()) theHold.Put(new SplinesRestore(this, splines_, next));
    ApplySplines(std::move(next));
}

void SplineShape::ApplySplines(std::vector<Spline3D> s) {
    splines_ = std::move(s);
    NotifyDependents(FOREVER, PART_TOPO | PART_GEOM, REFMSG_CHANGE);
}

void SplineShape::GetLocalBoundBox(TimeValue /*t*/, INode* /*inode*/, Box3& box) {
    box.Init();
    for (const Spline3D& s : splines_)
        for (const SplineKnot& k : s.knots) box += k.p;
}

IOResult SplineShape::SaveOwn(ISave* isave) {
    isave->BeginChunk(kSplinesChunk);
    for (const Spline3D& s : splines_) {
        isave->BeginChunk(kSplineChunk);
        IOResult res = WriteValueChunk(isave, kClosedChunk, static_cast<int>(s.closed));
        if (res == IO_OK) res = WriteListChunk<int>(isave, kKnotsChunk, s.knots);
        if (res != IO_OK || isave->EndChunk() != IO_OK) return IO_ERROR;
    }
    return isave->EndChunk();
}

IOResult SplineShape::LoadOwnChunk(ILoad* iload) {
    if (iload->CurChunkID() != kSplinesChunk) return IO_OK;
    std::vector<Spline3D> read;
    const IOResult res = ForEachChunk(iload, [&](USHORT id) {
        if (id != kSplineChunk) return IO_OK;
        Spline3D s;
        const IOResult r = ForEachChunk(iload, [&](USHORT sub) {
            if (sub == kKnotsChunk) return ReadList<int>(iload, s.knots);
            if (sub != kClosedChunk) return IO_OK;
            int closed = 0;
            const IOResult c = ReadValues(iload, closed);
            s.closed = closed != 0;
            return c;
        });
        // Knot and segment types name entries of fixed lists: anything else is damage.
        for (const SplineKnot& k : s.knots)
            if (k.type < 0 || k.type > static_cast<int>(KnotType::BezierCorner) || k.segment < 0 ||
                k.segment > static_cast<int>(SegmentType::Line))
                return IO_ERROR;
        read.push_back(std::move(s));
        return r;
    });
    if (res == IO_OK) splines_ = std::move(read);
    return res;
}

void SplineShape::DumpOwn(std::ostream& os, int indent) {
    const std::string pad(static_cast<size_t>(indent), ' ');
    for (size_t i = 0; i < splines_.size(); ++i) {
        const Spline3D& s = splines_[i];
        os << pad << "spline " << i + 1 << (s.closed ? " closed:" : " open:");
        static const char* const kKnot[] = {"smooth", "corner", "bezier", "bezierCorner"};
        for (const SplineKnot& k : s.knots) {
            char buf[96];
            std::snprintf(buf, sizeof buf, " %s%s (%.4f, %.4f, %.4f)", k.type >= 0 && k.type < 4 ? kKnot[k.type] : "?",
                          k.segment == static_cast<int>(SegmentType::Curve) ? "~" : "", k.p.x, k.p.y, k.p.z);
            os << buf;
        }
        os << "\n";
    }
}
