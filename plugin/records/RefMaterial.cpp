// The record of one merged material.
#include "plugin/records/RefMaterial.h"

#include "plugin/frame/StringTable.h"

RefMaterial::RefMaterial(BOOL loading) : RefBase(loading) {}

const MCHAR* RefMaterial::GetRecordName() const {
    return GetString(IDS_REFMATERIAL);
}
