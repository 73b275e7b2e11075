#pragma once
// The hidden report base form. Creating it runs the start-up gate.
#include <QWidget>

class TReportBase : public QWidget
{
    Q_OBJECT
public:
    explicit TReportBase(QWidget* parent = nullptr);

    // Runs once, right after construction (see CreateForm).
    virtual void FormCreate();
};
