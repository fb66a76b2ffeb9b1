// How the host finds the file an asset name stands for: the open scene's folder first, then the project
// folders.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/WStr.h"

#include <vector>

class IFileResolutionManager {
public:
    static IFileResolutionManager* GetInstance();
    virtual ~IFileResolutionManager() = default;

    // Where the host looks for file, in order, each absolute and without "." or ".." parts: an absolute
    // name as it is; a relative one in the open scene's folder, then in each project folder, or in the
    // working folder when there is neither (a scene never saved, no project).
    virtual std::vector<MSTR> GetCandidatePaths(const MCHAR* file) = 0;
    // The first candidate that names an existing file; "" when none does.
    virtual MSTR GetFullFilePath(const MCHAR* file, int assetType, bool refresh = false) = 0;

    // The folders searched after the open scene's folder, in order (none unless set).
    virtual const std::vector<MSTR>& GetProjectFolders() const = 0;
    virtual void SetProjectFolders(std::vector<MSTR> folders) = 0;
};
