// Scenes of a given size for benchmarks and the fuzzer's seed files.
#pragma once

#include "host/scene/Interface.h"

// Fills the open scene with n nodes: a box with a bend modifier, the default transform controller, one of
// n/10 + 1 materials, on one of five layers, every tenth node the child of the node before it.
void BuildScaleScene(Interface* ip, int n);

// The scale scene of n nodes saved in the temporary folder, written once per program and size; the open
// scene is reset before and after.
const MSTR& ScaleSceneFile(int n);
