// The module's global script interface "Ostrivans": list, add, reload, reset, duplicate, merge and remove
// references, run Advanced Reset, reach the manager and the settings.
#pragma once

#include "host/core/BitArray.h"
#include "host/core/FPInterface.h"

#include <vector>

class INode;
class OstrivansHelper;

constexpr Interface_ID OSTRIVANS_INTERFACE_ID(0x9663dfa5, 0x4f273881);

// One static instance, registered with the host as a core interface when the module loads. It keeps no
// reference data: each call finds the references by walking the scene (see ReferenceList.h). Index
// arguments are 0-based here; scripts pass them from 1.
class OstrivansInterface : public FPStaticInterface {
public:
    enum : FunctionID {
        kAddOstrivan = 0,
        kAddOstrivanDialog = 1,
        kNumOstrivans = 2,
        kGetOstrivan = 3,
        kGetAllOstrivans = 4,
        kRemoveAllOstrivans = 5,
        kReloadOstrivans = 6,
        kRemoveOstrivans = 7,
        kResetOstrivans = 8,
        kDuplicateOstrivans = 9,
        kMergeOstrivans = 10,
        kOpenManager = 11,
        kCloseManager = 12,
        kIsManagerOpen = 13,
        kAbout = 14,
        kPrintTimes = 17,
        kMergeForNetworkRender = 19,
        kSetMergeForNetworkRender = 20,
        kSaveRefsAsMerged = 21,
        kSetSaveRefsAsMerged = 22,
        kGetShowDuplicatedNamesWarning = 23,
        kSetShowDuplicatedNamesWarning = 24,
        kGetSaveOstrivansAsMerged = 25,
        kSetSaveOstrivansAsMerged = 26,
        kAdvancedReset = 27,
    };

    OstrivansInterface();

    // A new helper node named after the file (made unique among helper nodes) on the current layer, its
    // parameters set without the helper reacting, loaded when load is set.
    INode* AddOstrivan(const MCHAR* fileName, const MCHAR* proxyFileName, bool load, bool active,
                       bool proxyViewport, bool proxyRender);
    // Asks for files in the reference file dialog and adds a reference for each; the folder is remembered
    // under "LastFileDir".
    void AddOstrivanDialog();
    void ReloadOstrivans(const Tab<int>* indices);
    void ResetOstrivans(const Tab<int>* indices);
    void MergeOstrivans(const Tab<int>* indices);
    // Deletes the helper nodes (and so their content) in one host call; never throws.
    void RemoveOstrivans(const Tab<int>* indices);
    void RemoveAllOstrivans();
    // Copies the references with their overrides and loads the copies.
    void DuplicateOstrivans(const Tab<int>* indices);
    // selection 1: the references selected in the manager, 2: the selected nodes; references or nodes,
    // when given, decide instead. Null bit arrays mean every category or parameter group.
    void AdvancedReset(int selection, const BitArray* category, const BitArray* parameters,
                       const Tab<int>* references, const Tab<INode*>* nodes);
    void OpenManager();
    void CloseManager();
    bool IsManagerOpen();
    void About();

    // The reset mask of Advanced Reset for the given bit arrays, without a mode bit.
    static DWORD BuildResetMask(const BitArray* category, const BitArray* parameters);
    // The helper node name AddOstrivan gives a file: the stem between the last separator and the first
    // "." after it (empty without such a "."), its trailing number raised while taken holds the name.
    static MSTR UniqueHelperName(const MCHAR* fileName, const std::vector<MSTR>& taken);

protected:
    FPStatus _dispatch_fn(FunctionID fid, TimeValue t, FPValue& result, FPParams* p) override;

private:
    // Reload or Reset of each indexed reference inside one batch.
    void RunBatched(const Tab<int>* indices, int (OstrivansHelper::*operation)());
    void RemoveNodes(const Tab<int>* indices, bool all);
};

// The instance the module registered.
OstrivansInterface& GetOstrivansInterface();
