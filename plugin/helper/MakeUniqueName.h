// The numbering rule that gives a merged material a name the scene's library does not use yet.
#pragma once

#include "host/core/WStr.h"

// Counts the trailing decimal digits up by one, keeping their width and at least three digits; a name
// without trailing digits gets "001": Mat -> Mat001, Mat9 -> Mat010, Mat0999 -> Mat1000, Mat999 -> Mat1000.
void MakeUniqueName(MSTR& name);
