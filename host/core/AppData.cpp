// App data blocks of an animatable and the Animatable functions that reach them.
#include "host/core/AppData.h"

#include "host/core/Animatable.h"

AppDataChunk* AnimAppData::Find(Class_ID cid, SClass_ID sid, DWORD sbid) {
    for (auto& c : chunks_)
        if (c->classID == cid && c->superClassID == sid && c->subID == sbid) return c.get();
    return nullptr;
}

void AnimAppData::Put(Class_ID cid, SClass_ID sid, DWORD sbid, DWORD len, void* data) {
    if (AppDataChunk* c = Find(cid, sid, sbid)) {
        if (c->data != data) MAX_free(c->data);
        c->length = len;
        c->data = data;
        return;
    }
    chunks_.push_back(std::make_unique<AppDataChunk>(cid, sid, sbid, len, data));
}

bool AnimAppData::Remove(Class_ID cid, SClass_ID sid, DWORD sbid) {
    for (size_t i = 0; i < chunks_.size(); ++i)
        if (chunks_[i]->classID == cid && chunks_[i]->superClassID == sid && chunks_[i]->subID == sbid) {
            chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    return false;
}

AnimAppData* Animatable::AppData() { return static_cast<AnimAppData*>(GetAProp(PROPID_APPDATA)); }

void Animatable::AddAppDataChunk(Class_ID cid, SClass_ID sid, DWORD sbid, DWORD len, void* data) {
    AnimAppData* ad = AppData();
    if (!ad) {
        ad = new AnimAppData;
        AddAProp(ad);
    }
    ad->Put(cid, sid, sbid, len, data);
}

AppDataChunk* Animatable::GetAppDataChunk(Class_ID cid, SClass_ID sid, DWORD sbid) {
    AnimAppData* ad = AppData();
    return ad ? ad->Find(cid, sid, sbid) : nullptr;
}

BOOL Animatable::RemoveAppDataChunk(Class_ID cid, SClass_ID sid, DWORD sbid) {
    AnimAppData* ad = AppData();
    if (!ad || !ad->Remove(cid, sid, sbid)) return FALSE;
    if (ad->Count() == 0) RemoveAProp(PROPID_APPDATA);
    return TRUE;
}

void Animatable::ClearAllAppData() { RemoveAProp(PROPID_APPDATA); }
