#ifndef BINDINGTABLES_H
#define BINDINGTABLES_H

#include "App/parameterbinding.h"

// Binding tables and scaled lists of the parameter pages. Row order is the
// field order of the page's record in the device mirror.

// Basic Config, registers 100-129: row k is field k + 1 of srtBasicCfgTemp.
extern const BindingTable BasicConfigTable;
extern const ScaledList BasicConfigScaledList;

// Weight & CAL, registers 200-237 without 208.
extern const BindingTable WeightCalTable;
extern const ScaledList WeightCalScaledList;

#endif // BINDINGTABLES_H
