#pragma once
// The criteria window: report period, membership option, member filter and activities; Preview, Print
// and Create Group. The report itself is a TActivityReport, fed the selection the controls hold.
#include "TReportBase.h"

#include "TIntObj.h"
#include "TTable.h"

#include <memory>
#include <vector>

struct TActivitySelection;
class QLabel;
class QListWidget;
class QPushButton;
class TActivityReport;
class TBandedReport;
class TQuery;
class TRadioGroup;
class TbrmDateDropDown;

class TfrmActivityRep : public TReportBase
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

    // Builds ActivityIds and opens the report's query for the window's selection (what Preview and
    // Print share).
    void OpenReportQuery();
    // The window's criteria with ActivityIds as last built. A period that an option compares with and
    // that is no date is refused (EConvertError).
    TActivitySelection Selection() const;

    TActivityReport& ActivityReport() const { return *m_report; }
    TBandedReport& Report() const;
    TQuery& ReportQuery();

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
    void BuildActivityIds();
    void SetTabOrder();

    TTable tbckActs;
    std::unique_ptr<TActivityReport> m_report;
    std::vector<std::unique_ptr<TIntObj>> m_activityObjects;
};
