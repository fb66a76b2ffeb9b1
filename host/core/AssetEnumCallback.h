// Asset enumeration: how an object reports the files it uses (scene files, bitmaps, ...) to the host, as
// plain records or, when the host asks for them, as accessors the host can read and relink through.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/WStr.h"

namespace MaxSDK::AssetManagement {

// One file an object uses: its name and the host's asset category.
class AssetUser {
public:
    AssetUser() = default;
    AssetUser(const MSTR& fileName, int type) : fileName_(fileName), type_(type) {}
    const MSTR& GetFileName() const { return fileName_; }
    int GetType() const { return type_; }
    bool IsEmpty() const { return fileName_.Length() == 0; }

private:
    MSTR fileName_;
    int type_ = 0;
};

} // namespace MaxSDK::AssetManagement

// Flags of EnumAuxFiles. The host's scene enumeration passes FILE_ENUM_CHECK_AWORK1 so an object reached
// along several references reports its files once; FILE_ENUM_DONT_RECURSE keeps a maker from walking its
// references. With FILE_ENUM_ACCESSOR_INTERFACE the callback is an IEnumAuxAssetsCallback that wants
// accessors instead of records.
constexpr DWORD FILE_ENUM_INACTIVE = 0x00000001;
constexpr DWORD FILE_ENUM_VP = 0x00000002;
constexpr DWORD FILE_ENUM_RENDER = 0x00000004;
constexpr DWORD FILE_ENUM_ALL = FILE_ENUM_INACTIVE | FILE_ENUM_VP | FILE_ENUM_RENDER;
constexpr DWORD FILE_ENUM_DONT_RECURSE = 0x00000400;
constexpr DWORD FILE_ENUM_CHECK_AWORK1 = 0x00000800;
constexpr DWORD FILE_ENUM_ACCESSOR_INTERFACE = 0x00080000;

class AssetEnumCallback {
public:
    virtual ~AssetEnumCallback() = default;
    virtual void RecordAsset(const MaxSDK::AssetManagement::AssetUser& asset) = 0;
};

// Reads and writes one asset of an object (for the host's asset tracking and relinking).
class IAssetAccessor {
public:
    virtual ~IAssetAccessor() = default;
    virtual MaxSDK::AssetManagement::AssetUser GetAsset() const = 0;
    virtual bool SetAsset(const MaxSDK::AssetManagement::AssetUser& asset) = 0;
    virtual int GetAssetType() const = 0;
    virtual bool IsInputAsset() const { return true; }
};

class IEnumAuxAssetsCallback : public AssetEnumCallback {
public:
    virtual void DeclareAsset(IAssetAccessor& accessor) = 0;
};

// Records asset as an input of the scene; an empty asset is not recorded.
inline void RecordInputAsset(const MaxSDK::AssetManagement::AssetUser& asset, AssetEnumCallback& callback,
                             DWORD /*flags*/) {
    if (!asset.IsEmpty()) callback.RecordAsset(asset);
}
