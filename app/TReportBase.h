#pragma once
// The base form of the club reports. Creating it runs the start-up gate, unless a form derived from
// it replaces FormCreate (the criteria window asks for nothing when it is created).
#include <QWidget>

class TReportBase : public QWidget
{
    Q_OBJECT
public:
    explicit TReportBase(QWidget* parent = nullptr);

    // Runs once, right after construction (see CreateForm).
    virtual void FormCreate();
};
