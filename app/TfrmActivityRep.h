#pragma once
// The criteria window: report period, membership option, member filter and activities; Preview, Print
// and Create Group. It also holds the activity report's layout and the handlers the engine raises.
#include "TRptBaseClub.h"

#include "TIntObj.h"
#include "TQuery.h"
#include "TTable.h"

#include <memory>
#include <vector>

struct TActivitySelection;
class QLabel;
class QListWidget;
class QPushButton;
class TBand;
class TBandedReport;
class TLabelElement;
class TQueryDataSet;
class TRadioGroup;
class TbrmDateDropDown;

class TfrmActivityRep : public TRptBaseClub
{
    Q_OBJECT
public:
    // Opens the activities table; an engine error propagates and the program does not start.
    explicit TfrmActivityRep(QWidget* parent = nullptr);
    ~TfrmActivityRep() override;

    // Replaces the base form's gate: creating the criteria window asks for nothing.
    void FormCreate() override;

    void FormShow();
    void RangeClick();
    void btnSelectAllClick(QObject* sender);
    void Button1Click();
    void btnPreviewClick(QObject* sender);
    void Button2Click();

    // Report events.
    void QuickRepBeforePrint(bool& printReport);
    void QRBand1BeforePrint(bool& printBand);
    void QRBand2BeforePrint(bool& printBand);
    void QRBand3BeforePrint(bool& printBand);
    void QRBand4BeforePrint(bool& printBand);

    // Builds ActivityIds and the report's statement into Query, and opens it (what Preview and Print share).
    void OpenReportQuery();

    TBandedReport& Report() const { return *QuickRep; }
    TQuery& ReportQuery() { return Query; }

    qint32 GroupCount = 0;
    qint32 TotalCount = 0;
    QString ActivityIds;

    TRadioGroup* Range = nullptr;
    QLabel* Label2 = nullptr;
    TbrmDateDropDown* SDate = nullptr;
    QLabel* Label3 = nullptr;
    TbrmDateDropDown* EDate = nullptr;
    TRadioGroup* rgDateRange = nullptr;
    TRadioGroup* rgMember = nullptr;
    QListWidget* CheckList = nullptr;
    QPushButton* btnSelectAll = nullptr;
    QPushButton* btnUnSelectAll = nullptr;
    QPushButton* btnPreview = nullptr;
    QPushButton* btnPrint = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button1 = nullptr;
    QWidget* Panel1 = nullptr;

Q_SIGNALS:
    // The window was closed: being the main window, that ends the program.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void CreateReport();
    void BuildActivityIds();
    // The window's criteria with ActivityIds as last built.
    TActivitySelection Selection() const;
    void SetTabOrder();

    TTable tbckActs;
    TQuery Query;
    TQuery Query2;
    std::unique_ptr<TBandedReport> QuickRep;
    std::unique_ptr<TQueryDataSet> m_reportData;
    TLabelElement* lblTitle = nullptr;
    TLabelElement* lblDate = nullptr;
    TLabelElement* lblCount = nullptr;
    TLabelElement* lbltotcnt = nullptr;
    std::vector<std::unique_ptr<TIntObj>> m_activityObjects;
};
