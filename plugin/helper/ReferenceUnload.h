// Unloading a reference: the referenced content taken out of the scene while every record stays, with
// placeholders where something outside the reference still points at a node.
#pragma once

#include "host/core/Matrix3.h"
#include "host/core/PerformanceTimer.h"
#include "host/core/WStr.h"
#include "plugin/frame/StepMarks.h"
#include "plugin/records/NodeTable.h"

#include <utility>
#include <vector>

class INode;
class OstrivansHelper;
struct NotifyInfo;

// One unload of one helper; its tables live as long as the unload. Run it once.
class ReferenceUnload {
public:
    explicit ReferenceUnload(OstrivansHelper* helper) : helper_(helper) {}
    ~ReferenceUnload();
    ReferenceUnload(const ReferenceUnload&) = delete;
    ReferenceUnload& operator=(const ReferenceUnload&) = delete;

    // Always completes or reports: a failure is shown to the user (unless the host is quiet) with the
    // helper's description and the last step reached, and the batch this unload opened is closed.
    void Run();

    // A new scene node named like node, carrying a placeholder of its object's kind and a placeholder
    // controller that holds tm; every dependent of node moves to it (node itself is kept alive meanwhile).
    static INode* ReplaceByPlaceholderNode(INode* node, const Matrix3& tm);
    // Whether something outside the reference hangs under node: a child that no record mirrors.
    static bool HasChildOutsideReference(INode* node);
    // A node whose controller cannot be replaced keeps its controller: a new node takes its place instead.
    static bool ControllerStaysInPlace(INode* node);
    // Every record of helper remembers what the scene did with its item (the lights and other objects that
    // list its nodes are offered first); the helper's stamp then ends the pass.
    static void CollectHelper(OstrivansHelper* helper);
    // node shows placeholders where it stands: a placeholder of its object's kind, a placeholder controller
    // holding tm and no material. Its dependents hear nothing of the swap.
    static void MakePlaceholderInPlace(INode* node, const Matrix3& tm);

private:
    struct Placed {
        INode* node;
        Matrix3 tm;
    };

    void Steps();
    void CheckHold();
    void RestoreHold();
    void CollectRecords();
    void SortNodes();
    void FinishChildrenOverrides();
    void ReplaceNodes();
    void DeleteNodes();
    void KeepNodesInPlace();
    void Fail(const MCHAR* head, const MSTR* detail);
    static void OnNodeDeleted(void* param, NotifyInfo* info);

    OstrivansHelper* helper_;
    StepMarks marks_;
    NodeTable toRemove_;
    std::vector<Placed> toReplace_;
    // Kept nodes, and their places in toKeep_ sorted by node: every node the unload deletes is looked up
    // here, and a sorted table of the few kept ones answers from the cache. A kept node deleted
    // meanwhile, or listed a second time, leaves a null entry.
    std::vector<Placed> toKeep_;
    std::vector<std::pair<INode*, size_t>> keepIndex_;
    bool openedBatch_ = false;
    bool resumedHold_ = false;
    bool beganHold_ = false;
    bool deleteHandler_ = false;
    bool timing_ = false;
    double collectTime_ = 0.0;
    double deleteTime_ = 0.0;
    MaxSDK::PerformanceTools::Timer total_;
    MaxSDK::PerformanceTools::Timer timer_;
};
