// Application data: blocks of bytes that any code attaches to an animatable under its own class id, super
// class id and sub id; the scene file keeps them with the animatable.
#pragma once

#include "host/core/AnimProperty.h"
#include "host/core/MaxTypes.h"

#include <cstdlib>
#include <memory>
#include <vector>

// The allocator of app data blocks: an animatable frees what it is given with MAX_free.
inline void* MAX_malloc(size_t size) { return std::malloc(size); }
inline void MAX_free(void* p) { std::free(p); }

// The property id under which an animatable keeps its app data.
constexpr DWORD PROPID_APPDATA = 0x00000010;

struct AppDataChunk {
    AppDataChunk(Class_ID cid, SClass_ID sid, DWORD sbid, DWORD len, void* d)
        : classID(cid), superClassID(sid), subID(sbid), length(len), data(d) {}
    ~AppDataChunk() { MAX_free(data); }
    AppDataChunk(const AppDataChunk&) = delete;
    AppDataChunk& operator=(const AppDataChunk&) = delete;

    Class_ID classID;
    SClass_ID superClassID;
    DWORD subID;
    DWORD length;
    void* data;
};

// Every app data block of one animatable, in the order they were first added.
class AnimAppData : public AnimProperty {
public:
    DWORD ID() override { return PROPID_APPDATA; }
    AppDataChunk* Find(Class_ID cid, SClass_ID sid, DWORD sbid);
    // Replaces the block with the same key, or adds one.
    void Put(Class_ID cid, SClass_ID sid, DWORD sbid, DWORD len, void* data);
    bool Remove(Class_ID cid, SClass_ID sid, DWORD sbid);
    int Count() const { return static_cast<int>(chunks_.size()); }
    AppDataChunk* Get(int i) { return chunks_[static_cast<size_t>(i)].get(); }

private:
    std::vector<std::unique_ptr<AppDataChunk>> chunks_;
};
