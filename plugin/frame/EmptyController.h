// The placeholder transform controller: holds a node where it was while its content is away.
#pragma once

#include "host/core/ChunkIO.h"
#include "host/core/Matrix3.h"
#include "host/core/PlugApi.h"
#include "host/scene/Control.h"
#include "plugin/frame/PlaceholderIds.h"

#include <string>

// Holds one matrix that never changes: moving or animating the node does nothing, and children still
// follow the held transform because relative evaluation multiplies it with the parent's.
class EmptyController : public Control {
public:
    // The descriptor's creation: the identity matrix.
    explicit EmptyController(BOOL loading = FALSE);
    // A placeholder holding a node's recorded world transform.
    explicit EmptyController(const Matrix3& tm);

    Class_ID ClassID() override { return EMPTY_CONTROLLER_CLASS_ID; }
    SClass_ID SuperClassID() override { return CTRL_MATRIX3_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;

    // Absolute: *val becomes the held matrix. Relative: *val becomes held * *val. valid is untouched, since
    // the value holds for all time.
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    // Ignored.
    void SetValue(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) override;
    // Ignored too: a placeholder takes no value from another controller.
    void Copy(Control* from) override { (void)from; }

    RefTargetHandle Clone(RemapDir& remap) override;
    // Chunk kMatrixChunk: the four rows of three floats, then the flags word; 52 bytes.
    IOResult Save(ISave* isave) override;
    // Reads the next chunk, whatever its id; when there is none, the stream's answer is returned as is.
    IOResult Load(ILoad* iload) override;
    void DeleteThis() override { delete this; }

    const Matrix3& GetMatrix() const { return tm_; }
    // "EmptyController [1 0 0][0 1 0][0 0 1][10 0 0] flags 0x6".
    std::string Dump() const;

    static constexpr USHORT kMatrixChunk = 0x0000;
    static constexpr ULONG kMatrixBytes = 52;

private:
    Matrix3 tm_;
};
