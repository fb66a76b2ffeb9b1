// The helper's tracking of the layers its referenced content arrives on.
#pragma once

#include "host/core/WStr.h"

#include <unordered_set>
#include <vector>

class ILayer;
class OstrivansHelper;
class StepMarks;
struct MergedLayer;

// At the end of a load, once its nodes are bound and its doomed nodes deleted: new layers left without
// nodes go, the others take the names the helper gives them (the user's local name, the prefix), folding
// into a scene layer of that name where there is one; the file's hierarchy is put back and every layer no
// layer record follows yet gets one. A failure is raised as a host exception "Error Monitoring Layers"
// with the layer it met and the step reached.
void ProcessMergedLayers(OstrivansHelper* helper, std::vector<MergedLayer>& layers, StepMarks& marks);

// Part of every collect: a followed layer whose name is not the one the helper gives it was renamed by the
// user, and its renamed-layer entry keeps the new name for the next load; a layer carrying its given name
// again drops its entry.
void CollectLayerNames(OstrivansHelper* helper);

// The helper's prefix went from oldPrefix to newPrefix (its node renamed, its "Use Name Prefix" switched):
// every followed layer that carries the name the helper gave it takes the name the new prefix gives, as the
// referenced nodes do. A layer the user named keeps its name (the next collect records it), and so does one
// whose new name another layer has.
void RenameLayersForPrefix(OstrivansHelper* helper, const MSTR& oldPrefix, const MSTR& newPrefix);

// Dismiss: the helper lets go of every layer it follows and forgets the renamed layers. A released layer
// that holds no node, itself or below it, is deleted; the others stay with what lives on them.
void ReleaseRefLayers(OstrivansHelper* helper);

// After a failed load has taken its nodes out again: every layer the scene did not have before the merge
// (existed) and that holds no node, itself or below it, is deleted, deepest first.
void DeleteLayersLeftByFailedLoad(const std::unordered_set<ILayer*>& existed);
