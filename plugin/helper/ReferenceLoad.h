// Loading a reference: the helper's file merged into the open scene and every merged item tied to its
// record, so that the user's overrides are re-applied to the fresh content.
#pragma once

#include "host/core/PerformanceTimer.h"
#include "host/core/WStr.h"
#include "plugin/frame/StepMarks.h"
#include "plugin/helper/MergedLayer.h"
#include "plugin/records/NodeTable.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

class ILayer;
class Mtl;
class OstrivansHelper;
struct NotifyInfo;

// One load of one helper; its tables live as long as the load. Run it once.
class ReferenceLoad {
public:
    explicit ReferenceLoad(OstrivansHelper* helper) : helper_(helper) {}
    ~ReferenceLoad();
    ReferenceLoad(const ReferenceLoad&) = delete;
    ReferenceLoad& operator=(const ReferenceLoad&) = delete;

    // 1 when the content is loaded. 0 when the helper is loaded already, has no parameters, is not
    // active, merged nothing (no file, a circular reference, a file the host refused) or failed: a failure
    // is reported to the user (unless the host is quiet) and leaves none of the merged nodes behind.
    int Run();

    // Whether a merged node's name was met on a record already bound in this load.
    bool FoundDuplicatedNames() const { return duplicatedNames_; }
    const NodeTable& MergedNodes() const { return merged_; }

private:
    // Steps from choosing the file to clearing the undo buffer; 1 when the content is in.
    int LoadSteps();
    void DropRecordsWithoutOverrides();
    bool MergeContent();
    void FlattenNestedReferences();
    void CollectLayers();
    void MonitorMaterials();
    void CollectDoomedNodes();
    void MonitorNodes();
    void TakenIntoReference(INode* node);
    void ApplyPrefix();
    void AddMaterialsToScene();
    void DeleteDoomedNodes();
    void FinishOverrides();
    // The failure report: the text, the helper unloaded, the batch closed and the merged nodes deleted.
    void Fail(const MCHAR* head, const MSTR* detail);

    MergedLayer* LayerRecord(ILayer* layer);
    static void OnLayerDeletedDuringLoad(void* param, NotifyInfo* info);
    static void OnNodeDeletedDuringLayers(void* param, NotifyInfo* info);
    static void OnNodeDeletedDuringBinding(void* param, NotifyInfo* info);
    static void OnNodeAddedDuringBinding(void* param, NotifyInfo* info);
    void RegisterLayerHandlers();
    void UnRegisterLayerHandlers();
    void RegisterBindingHandlers();
    void UnRegisterBindingHandlers();

    OstrivansHelper* helper_;
    StepMarks marks_;
    NodeTable merged_;
    NodeTable doomed_;
    // The scene's layers before the merge; taken tells an empty scene from a load that failed before it.
    std::unordered_set<ILayer*> layerSnapshot_;
    bool layerSnapshotTaken_ = false;
    std::vector<MergedLayer> layers_;
    std::unordered_map<ILayer*, size_t> layerIndex_;
    std::vector<Mtl*> collectedMtls_;
    bool duplicatedNames_ = false;
    bool openedBatch_ = false;
    bool resumedHold_ = false;
    bool layerHandlers_ = false;
    bool bindingHandlers_ = false;
    bool timing_ = false;
    double mergeTime_ = 0.0;
    double initTime_ = 0.0;
    MaxSDK::PerformanceTools::Timer timer_;
};
