#pragma once
// The report periods of the "Report Range" group: first and last day of each preset around today.
#include "DateTime.h"

#include <QStringList>

// Captions of the presets, in the group's order.
QStringList RangePresetCaptions();

// From and To of preset `index` for the day `today`; false (nothing changed) for an unknown index.
bool PresetRange(int index, TDateTime today, TDateTime& from, TDateTime& to);
