// Registration of the host's controller classes, so that scene files and scripts can create them.
#pragma once

#include "host/scene/controllers/GenericControl.h"

#include <vector>

// Registers every controller class of the host in the class directory: the key-frame, compound, list,
// constraint and link controllers, the list weights, and the generic classes of
// HostGenericControllerConfigs(). Classes already registered are left alone, so calling it again is
// harmless (also after the directory was cleared).
void RegisterControllerClasses();

// The controller classes the host knows by identity and capability answers only: rig controllers (IK
// solvers, character rigs), reaction, local-dependency, independent-reference and reference-holding
// controllers, and the ones never copied.
const std::vector<GenericControlConfig>& HostGenericControllerConfigs();
