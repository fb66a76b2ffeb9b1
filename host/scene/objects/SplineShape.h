// Editable splines (the Line class): any number of splines, each a list of knots with their type and the
// type of the segment that leaves them, open or closed; edits are undoable, saved with the shape and
// shown in its dump.
#pragma once

#include "host/scene/objects/ConfiguredObject.h"

#include <vector>

// Knot types as scripts name them (#smooth, #corner, #bezier, #bezierCorner); segment types (#curve,
// #line).
enum class KnotType { Smooth = 0, Corner = 1, Bezier = 2, BezierCorner = 3 };
enum class SegmentType { Curve = 0, Line = 1 };

struct SplineKnot {
    int type = static_cast<int>(KnotType::Corner);
    int segment = static_cast<int>(SegmentType::Line);
    Point3 p;
    bool operator==(const SplineKnot&) const = default;
};

struct Spline3D {
    std::vector<SplineKnot> knots;
    bool closed = false;
    bool operator==(const Spline3D&) const = default;
    // Segments: one per knot pair, and one more back to the first knot when closed.
    int Segments() const {
        const int n = static_cast<int>(knots.size());
        return n < 2 ? 0 : (closed ? n : n - 1);
    }
};

class SplineShape : public ConfiguredObject<ShapeObject> {
public:
    SplineShape(ObjectClassDesc* cd, BOOL loading) : ConfiguredObject<ShapeObject>(cd, loading) {}

    const std::vector<Spline3D>& Splines() const { return splines_; }
    int NumKnots() const;
    // Replaces every spline: an undo record while holding, and a change message.
    void SetSplines(std::vector<Spline3D> next);
    // Stores and notifies without undo record (undo and redo).
    void ApplySplines(std::vector<Spline3D> s);

    void GetLocalBoundBox(TimeValue t, INode* inode, Box3& box) override;

protected:
    void CopyOwnState(ConfiguredCore* to) override { static_cast<SplineShape*>(to)->splines_ = splines_; }
    IOResult SaveOwn(ISave* isave) override;
    IOResult LoadOwnChunk(ILoad* iload) override;
    void DumpOwn(std::ostream& os, int indent) override;

private:
    static constexpr USHORT kSplinesChunk = 0x3F10;
    static constexpr USHORT kSplineChunk = 0x3F11;
    static constexpr USHORT kClosedChunk = 0x3F12;
    static constexpr USHORT kKnotsChunk = 0x3F13;
    std::vector<Spline3D> splines_;
};
