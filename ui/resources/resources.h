// Orvex's resources as one module: dialog templates 100, 102 and 132, menu 130, string 101,
// icon 134 and bitmap 135. Every dialog of ours is built from it.
#pragma once

#include "resource_module.h"

const CResourceModule &OrvexResources();
