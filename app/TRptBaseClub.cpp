#include "TRptBaseClub.h"

#include "FormFont.h"
#include "StartupGate.h"

TRptBaseClub::TRptBaseClub(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("RptBaseClub"));
    setWindowTitle(QStringLiteral("RptBaseClub"));
    resize(435, 300);
    setFont(FormFont());
}

void TRptBaseClub::FormCreate()
{
    RunStartupGate(this);
}
