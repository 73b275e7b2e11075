#include "TReportBase.h"

#include "FormFont.h"
#include "StartupGate.h"

TReportBase::TReportBase(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ReportBase"));
    setWindowTitle(QStringLiteral("ReportBase"));
    resize(435, 300);
    setFont(FormFont());
}

void TReportBase::FormCreate()
{
    RunStartupGate(this);
}
