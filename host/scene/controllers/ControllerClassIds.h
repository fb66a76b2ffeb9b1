// Class ids of the host's own controllers (the pair with the super class is the identity in files).
#pragma once

#include "host/core/MaxTypes.h"

// Key-frame value controllers (the stand-in interpolates linearly between keys).
constexpr Class_ID LININTERP_FLOAT_CLASS_ID(0x2001, 0);
constexpr Class_ID BEZIER_FLOAT_CLASS_ID(0x2007, 0);
constexpr Class_ID BEZIER_POSITION_CLASS_ID(0x2008, 0);
constexpr Class_ID BEZIER_POINT3_CLASS_ID(0x200A, 0);
constexpr Class_ID BEZIER_SCALE_CLASS_ID(0x2010, 0);
constexpr Class_ID BEZIER_POINT4_CLASS_ID(0x2014, 0);
constexpr Class_ID TCB_ROTATION_CLASS_ID(0x442313, 0);

// Compound controllers.
constexpr Class_ID PRS_CONTROL_CLASS_ID(0x2005, 0);
constexpr Class_ID EULER_XYZ_CLASS_ID(0x2012, 0);
constexpr Class_ID POSITION_XYZ_CLASS_ID(0x118F7E02, 0xFFEE238A);
constexpr Class_ID POINT3_XYZ_CLASS_ID(0x118F7E02, 0xFEEE238B);
constexpr Class_ID SCALE_XYZ_CLASS_ID(0x118F7C01, 0xFEEE238B);

// List controllers and the weights controller every list keeps as its last sub-animatable.
constexpr Class_ID FLOAT_LIST_CLASS_ID(0x4B4B1000, 0);
constexpr Class_ID POINT3_LIST_CLASS_ID(0x4B4B1001, 0);
constexpr Class_ID POSITION_LIST_CLASS_ID(0x4B4B1002, 0);
constexpr Class_ID ROTATION_LIST_CLASS_ID(0x4B4B1003, 0);
constexpr Class_ID SCALE_LIST_CLASS_ID(0x4B4B1004, 0);
constexpr Class_ID LIST_WEIGHTS_CLASS_ID(0x4B4B10F0, 0x57E16470);

// Node-driven constraints.
constexpr Class_ID POSITION_CONSTRAINT_CLASS_ID(0x2019, 0);
constexpr Class_ID PATH_CONSTRAINT_CLASS_ID(0x2011, 0);
constexpr Class_ID ORIENTATION_CONSTRAINT_CLASS_ID(0x2020, 0);
constexpr Class_ID LOOKAT_CONSTRAINT_CLASS_ID(0x2021, 0);
constexpr Class_ID LINK_CONSTRAINT_CLASS_ID(0x873FE764, 0xAABE8601);

// Procedural noise controllers.
constexpr Class_ID NOISE_FLOAT_CLASS_ID(0x5A31402E, 0x1C0E7B01);
constexpr Class_ID NOISE_POSITION_CLASS_ID(0x5A31402E, 0x1C0E7B02);
constexpr Class_ID NOISE_POINT3_CLASS_ID(0x5A31402E, 0x1C0E7B03);
constexpr Class_ID NOISE_ROTATION_CLASS_ID(0x5A31402E, 0x1C0E7B04);
constexpr Class_ID NOISE_SCALE_CLASS_ID(0x5A31402E, 0x1C0E7B05);

// The float reaction controller, and the master that holds its driver (the master's value is this host's
// own).
constexpr Class_ID FLOAT_REACTION_CLASS_ID(0x717D7D1F, 0x124C173B);
constexpr Class_ID REACTION_MASTER_CLASS_ID(0x5A1D3C27, 0x6E0B4F12);
