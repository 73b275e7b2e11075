#pragma once
// What assistive technology sees of a TCustomGrid: a table whose children are the grid's cells in
// row-major order (fixed cells included, as column and row headers). The table's rows and columns are
// the body's; each cell reads its text and name from the grid, and the current cell is the selected
// one. TCustomGrid installs the factory once, with its first instance.
#include <QString>

class QAccessibleInterface;
class QObject;

QAccessibleInterface* GridAccessibleFactory(const QString& className, QObject* object);
