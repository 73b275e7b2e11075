#pragma once
// The font the suite's forms were designed in, "MS Sans Serif" 8 pt, mapped to an installed sans-serif
// of close metrics (Liberation Sans at 11 pixels), so captions fit the designed control sizes.
#include <QFont>

QFont FormFont();
