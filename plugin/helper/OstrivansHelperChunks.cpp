// The helper's chunks in the scene file: what its references do not carry.
#include "plugin/helper/OstrivansHelper.h"

#include "host/core/ChunkFields.h"
#include "plugin/records/RefNode.h"

#include <cstdint>

namespace {

constexpr USHORT kVersionChunk = 0x0000;
constexpr USHORT kNodeCountChunk = 0x0001;
constexpr USHORT kMaterialCountChunk = 0x0002;
constexpr USHORT kDeleteCountChunk = 0x0003;
constexpr USHORT kDeleteNameChunk = 0x0004;
constexpr USHORT kRenamedCountChunk = 0x0005;
constexpr USHORT kRenamedLayerChunk = 0x0006;
constexpr USHORT kLayerCountChunk = 0x0025;
constexpr USHORT kLayerNameChunk = 0x0026;
constexpr USHORT kFileTimeChunk = 0x0027;
// Inside a renamed layer: the first name, then the second name and the integer, which share an id.
constexpr USHORT kFirstNameChunk = 0x0000;
constexpr USHORT kSecondFieldsChunk = 0x0001;
constexpr float kVersion = 10701.0f;

IOResult WriteCountChunk(ISave* isave, USHORT id, size_t count) {
    return WriteValueChunk(isave, id, static_cast<std::int32_t>(count));
}

// A table count: every entry it announces takes at least a byte further on in the stream (its reference
// or its own chunk), so a count the stream cannot hold is damage, not a reason to allocate.
IOResult ReadTableCount(ILoad* iload, size_t& count) {
    std::int32_t n = 0;
    const IOResult res = ReadCount(iload, n);
    if (res == IO_OK) count = static_cast<size_t>(n);
    return res;
}

// Opens the next sub-chunk of a container whatever its id, runs read on it and closes it.
template <class Read> IOResult ReadSubChunk(ILoad* iload, Read read) {
    IOResult res = iload->OpenChunk();
    if (res == IO_END) return IO_ERROR; // a field is missing
    if (res != IO_OK) return res;
    res = read();
    const IOResult closed = iload->CloseChunk();
    return res != IO_OK ? res : closed;
}

IOResult ReadRenamedLayer(ILoad* iload, RenamedLayer& layer) {
    IOResult res = ReadSubChunk(iload, [&] { return iload->ReadWStringChunk(layer.fileName); });
    if (res == IO_OK) res = ReadSubChunk(iload, [&] { return iload->ReadWStringChunk(layer.localName); });
    if (res == IO_OK)
        res = ReadSubChunk(iload, [&] {
            std::int32_t full = 0;
            const IOResult r = ReadValues(iload, full);
            layer.full = full;
            return r;
        });
    return res;
}

} // namespace

// How many records ahead of the one being written each round of asking for memory runs: the record's
// own lines three ahead, what they point to two ahead, its modifier entries one ahead.
constexpr size_t kRecordLinesAhead = 3;

void OstrivansHelper::RecordSaving(const RefNode* record) {
    if (saveCursor_ >= refNodes_.size() || refNodes_[saveCursor_] != record) {
        saveCursor_ = SIZE_MAX;
        return;
    }
    // Null slots write nothing: the next record written is the next one present.
    do ++saveCursor_;
    while (saveCursor_ < refNodes_.size() && !refNodes_[saveCursor_]);
    auto ahead = [&](size_t k) { return saveCursor_ + k < refNodes_.size() ? refNodes_[saveCursor_ + k] : nullptr; };
    if (const RefNode* r = ahead(kRecordLinesAhead - 1)) r->PrefetchSaveRecord();
    if (const RefNode* r = ahead(kRecordLinesAhead - 2)) r->PrefetchSaveBuffers();
    if (const RefNode* r = ahead(0)) r->PrefetchSaveEntries();
}

IOResult OstrivansHelper::Save(ISave* isave) {
    // The records come next: the first ones' memory is asked for in the order the rounds need it.
    saveCursor_ = 0;
    while (saveCursor_ < refNodes_.size() && !refNodes_[saveCursor_]) ++saveCursor_;
    for (size_t k = 0; k < kRecordLinesAhead && saveCursor_ + k < refNodes_.size(); ++k)
        if (const RefNode* r = refNodes_[saveCursor_ + k]) r->PrefetchSaveRecord();
    IOResult res = WriteValueChunk(isave, kVersionChunk, kVersion);
    if (res == IO_OK) res = WriteValueChunk(isave, kFileTimeChunk, fileTime_);
    if (res == IO_OK) res = WriteCountChunk(isave, kNodeCountChunk, refNodes_.size());
    if (res == IO_OK) res = WriteCountChunk(isave, kMaterialCountChunk, refMaterials_.size());
    if (res == IO_OK) res = WriteCountChunk(isave, kDeleteCountChunk, nodesToDelete_.size());
    for (size_t k = 0; res == IO_OK && k < nodesToDelete_.size(); ++k)
        res = WriteStringChunk(isave, kDeleteNameChunk, nodesToDelete_[k]);
    if (res == IO_OK) res = WriteCountChunk(isave, kRenamedCountChunk, renamedLayers_.size());
    for (size_t k = 0; res == IO_OK && k < renamedLayers_.size(); ++k) {
        const RenamedLayer& layer = renamedLayers_[k];
        const std::int32_t full = layer.full;
        isave->BeginChunk(kRenamedLayerChunk);
        res = WriteStringChunk(isave, kFirstNameChunk, layer.fileName);
        if (res == IO_OK) res = WriteStringChunk(isave, kSecondFieldsChunk, layer.localName);
        if (res == IO_OK) res = WriteValueChunk(isave, kSecondFieldsChunk, full);
        const IOResult end = isave->EndChunk();
        if (res == IO_OK) res = end;
    }
    // A record whose layer the host deleted writes an empty name: the names stay in step with the layer
    // references, and the next load's clean-up drops the record.
    if (res == IO_OK) res = WriteCountChunk(isave, kLayerCountChunk, refLayers_.size());
    for (size_t k = 0; res == IO_OK && k < refLayers_.size(); ++k)
        res = WriteStringChunk(isave, kLayerNameChunk, refLayers_[k].layer ? refLayers_[k].name : WStr());
    return res;
}

IOResult OstrivansHelper::Load(ILoad* iload) {
    IOResult res = iload->OpenChunk();
    if (res != IO_OK || iload->CurChunkID() != kVersionChunk) {
        if (res == IO_OK) iload->CloseChunk();
        return IO_ERROR;
    }
    float version = 0;
    res = ReadValues(iload, version);
    const IOResult closed = iload->CloseChunk();
    if (res == IO_OK) res = closed;

    // The layer count also covers layer records whose names a file may lack: their reference slots come
    // after the named ones.
    size_t layerCount = 0;
    if (res == IO_OK) res = ForEachChunk(iload, [&](USHORT id) {
        size_t count = 0;
        IOResult r = IO_OK;
        switch (id) {
        case kNodeCountChunk:
            if ((r = ReadTableCount(iload, count)) == IO_OK) refNodes_.assign(count, nullptr);
            break;
        case kMaterialCountChunk:
            if ((r = ReadTableCount(iload, count)) == IO_OK) refMaterials_.assign(count, nullptr);
            break;
        case kDeleteCountChunk:
            if ((r = ReadTableCount(iload, count)) == IO_OK) nodesToDelete_.reserve(count);
            break;
        case kDeleteNameChunk: {
            WStr name;
            if ((r = iload->ReadWStringChunk(name)) == IO_OK) nodesToDelete_.push_back(name);
            break;
        }
        case kRenamedCountChunk:
            if ((r = ReadTableCount(iload, count)) == IO_OK) renamedLayers_.reserve(count);
            break;
        case kRenamedLayerChunk: {
            RenamedLayer layer;
            if ((r = ReadRenamedLayer(iload, layer)) == IO_OK) renamedLayers_.push_back(layer);
            break;
        }
        case kLayerCountChunk:
            if ((r = ReadTableCount(iload, count)) == IO_OK) {
                layerCount = count;
                refLayers_.reserve(count);
            }
            break;
        case kLayerNameChunk: {
            // The record takes its layer from the host's reference.
            WStr name;
            if ((r = iload->ReadWStringChunk(name)) == IO_OK) refLayers_.push_back({nullptr, name});
            break;
        }
        case kFileTimeChunk: r = ReadValues(iload, fileTime_); break;
        default: break; // ids this version does not know
        }
        return r;
    });
    if (res == IO_OK) {
        if (refLayers_.size() < layerCount) refLayers_.resize(layerCount);
        return IO_OK;
    }
    // A damaged helper keeps no half-read names; its record tables keep their sizes for the host.
    nodesToDelete_.clear();
    nodesToDelete_.shrink_to_fit();
    renamedLayers_.clear();
    renamedLayers_.shrink_to_fit();
    return res;
}
