#pragma once
// The base form of club reports; its create handler is the start-up gate unless a report replaces it.
#include <QWidget>

class TRptBaseClub : public QWidget
{
    Q_OBJECT
public:
    explicit TRptBaseClub(QWidget* parent = nullptr);

    // Runs once, right after construction (see CreateForm).
    virtual void FormCreate();
};
