// Warning about merged nodes that share a name: records find their nodes again by name, so such nodes
// may take each other's overrides.
#pragma once

#include "host/scene/Interface.h"

class OstrivansHelper;

// The names that occur more than once among nodes (null entries skipped), each listed once, in the order
// in which its second occurrence is met, each followed by "\r\n"; "" when no name repeats.
MSTR DuplicatedNamesText(const INodeTab& nodes);

// The warning after a load that bound a name twice: beeps and shows the "Duplicated Names Warning" dialog
// with the duplicated names of mergedNodes and the "Dont show this message again." box. Nothing happens
// while the host is quiet. True when the user closed the dialog with the box ticked: the caller then
// switches the warning off in the settings.
bool ShowDuplicatedNamesWarning(OstrivansHelper* helper, const INodeTab& mergedNodes);

// The same list on request, for the nodes the helper's records hold now: the dialog without the check box,
// or the "Duplicated Names" message box when no name repeats. Nothing happens while the host is quiet.
void ShowDuplicatedNamesOnRequest(OstrivansHelper* helper);
