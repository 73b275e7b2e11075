#include "TfrmActivityRep.h"

#include "ActivityStatement.h"
#include "DateDrop.h"
#include "DateTime.h"
#include "FormFont.h"
#include "HandlerGuard.h"
#include "RangePresets.h"
#include "TBandedReport.h"
#include "TPrompt.h"
#include "TQueryDataSet.h"
#include "TRadioGroup.h"
#include "TTransaction.h"
#include "TbrmIniFile.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QCloseEvent>
#include <QShowEvent>
#include <iterator>

namespace {

constexpr int ClientWidth = 363;
constexpr int ClientHeight = 505;
// The date both date fields were designed with (8 December 1997); their popup calendars keep it until a
// preset or the calendar sets another, so choosing "Today" after start rewrites the fields.
constexpr TDateTime DesignDate = 35772;
const QString ReportFieldSource = QStringLiteral("Query.description");

QStringList OptionCaptions()
{
    return {QStringLiteral("All active members"),
            QStringLiteral("Active members that start within the selected date range"),
            QStringLiteral("Members that expire within the selected date range"),
            QStringLiteral("Members with Less than 0 Sessions"),
            QStringLiteral("Members with 0 Sessions"),
            QStringLiteral("Members with 1 Session Remaining"),
            QStringLiteral("Members with 2 Sessions or Less Remaining"),
            QStringLiteral("All members")};
}

// The result fields the report is bound to; the statement must deliver each with this type and size.
QList<TFieldDef> ReportFields()
{
    return {{QStringLiteral("memberno"), ftInteger, 0},    {QStringLiteral("fullname"), ftString, 37},
            {QStringLiteral("start"), ftDate, 0},          {QStringLiteral("end"), ftDate, 0},
            {QStringLiteral("countdown"), ftSmallint, 0},  {QStringLiteral("description"), ftString, 30},
            {QStringLiteral("homephone"), ftString, 14},   {QStringLiteral("subcatdesc"), ftString, 20},
            {QStringLiteral("pymtrate"), ftCurrency, 0}};
}

// Empty when no configuration file sets it.
QString ClubName()
{
    return SuiteIniExists() ? SuiteIni().ReadValue(QStringLiteral("General"), QStringLiteral("ClubName")) : QString();
}

TFont ArialFont(int size, bool bold = false)
{
    TFont font;
    font.Name = QStringLiteral("Arial");
    font.Size = size;
    font.Bold = bold;
    return font;
}

// Glyphs of the Preview and Print buttons: a magnifier over a page, and a printer.
QIcon PreviewGlyph()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(1, 1, 9, 12);
    p.setBrush(QColor(200, 230, 255));
    p.drawEllipse(QPointF(8.5, 8.5), 3.5, 3.5);
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(QPointF(11, 11), QPointF(14.5, 14.5));
    return QIcon(pixmap);
}

QIcon PrintGlyph()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 7, 5);
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(1, 6, 13, 6);
    p.setBrush(Qt::white);
    p.drawRect(4, 10, 7, 5);
    return QIcon(pixmap);
}

} // namespace

TfrmActivityRep::TfrmActivityRep(QWidget* parent)
    : TRptBaseClub(parent)
    , tbckActs(QStringLiteral("Brelmdata"), QStringLiteral("ckActs.DB"))
    , Query(QStringLiteral("Brelmdata"))
    , Query2(QStringLiteral("Brelmdata"))
{
    setObjectName(QStringLiteral("frmActivityRep"));
    setWindowTitle(QStringLiteral("Activity Report"));
    // A fixed-size window: no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(FormFont());
    setFixedSize(ClientWidth, ClientHeight);
    CreateControls();
    SetTabOrder();
    // Preview is first in the tab order and holds the focus when the window opens.
    btnPreview->setFocus();
    Query.SetFieldDefs(ReportFields());
    CreateReport();

    // The activities table is open from creation to the end; an error here stops the start.
    tbckActs.Open();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TfrmActivityRep::~TfrmActivityRep() = default;

void TfrmActivityRep::FormCreate()
{
}

void TfrmActivityRep::CreateControls()
{
    QFont bold = font();
    bold.setBold(true);

    Range = new TRadioGroup(this);
    Range->setObjectName(QStringLiteral("Range"));
    Range->setTitle(QStringLiteral("Report Range"));
    Range->setFont(bold);
    Range->setGeometry(12, 13, 337, 89);
    Range->SetColumns(2);
    Range->SetItems(RangePresetCaptions());
    Range->SetItemIndex(0);
    connect(Range, &TRadioGroup::Click, this, [this] { Guarded([this] { RangeClick(); }); });

    auto makeDateLabel = [this, &bold](const QString& name, const QString& caption, const QPoint& position) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(name);
        label->setFont(bold);
        label->move(position);
        label->adjustSize();
        return label;
    };
    auto makeDateField = [this](const QString& name, const QRect& geometry) {
        auto* field = new TbrmDateDropDown(this);
        field->setObjectName(name);
        field->setGeometry(geometry);
        field->SetValue(DesignDate);
        return field;
    };
    Label2 = makeDateLabel(QStringLiteral("Label2"), QStringLiteral("From Date"), {15, 116});
    SDate = makeDateField(QStringLiteral("SDate"), {78, 112, 97, 21});
    Label3 = makeDateLabel(QStringLiteral("Label3"), QStringLiteral("To Date"), {201, 116});
    EDate = makeDateField(QStringLiteral("EDate"), {252, 112, 97, 21});
    Label2->setBuddy(SDate);
    Label3->setBuddy(EDate);

    rgDateRange = new TRadioGroup(this);
    rgDateRange->setObjectName(QStringLiteral("rgDateRange"));
    rgDateRange->setTitle(QStringLiteral("Options "));
    rgDateRange->setGeometry(12, 139, 335, 166);
    rgDateRange->SetItems(OptionCaptions());
    rgDateRange->SetItemIndex(0);

    rgMember = new TRadioGroup(this);
    rgMember->setObjectName(QStringLiteral("rgMember"));
    rgMember->setTitle(QStringLiteral("Member"));
    rgMember->setGeometry(16, 320, 129, 89);
    rgMember->SetItems({QStringLiteral("All"), QStringLiteral("Members Only"), QStringLiteral("Guest Only")});
    rgMember->SetItemIndex(-1);

    CheckList = new QListWidget(this);
    CheckList->setObjectName(QStringLiteral("CheckList"));
    CheckList->setGeometry(154, 317, 193, 98);
    CheckList->setUniformItemSizes(true);
    CheckList->setAccessibleName(QStringLiteral("Activities"));

    auto makeButton = [this](const QString& name, const QString& caption, const QRect& geometry) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        button->setGeometry(geometry);
        // Enter presses the focused button, as in the suite's other programs; Qt does that by itself
        // only inside dialogs.
        button->setAutoDefault(true);
        return button;
    };
    btnSelectAll = makeButton(QStringLiteral("btnSelectAll"), QStringLiteral("Select All"), {157, 422, 75, 17});
    btnUnSelectAll =
        makeButton(QStringLiteral("btnUnSelectAll"), QStringLiteral("Unselect All"), {272, 422, 75, 17});
    btnPreview = makeButton(QStringLiteral("btnPreview"), QStringLiteral("Preview"), {14, 456, 75, 25});
    btnPreview->setIcon(PreviewGlyph());
    btnPrint = makeButton(QStringLiteral("btnPrint"), QStringLiteral("Print"), {102, 456, 75, 25});
    btnPrint->setIcon(PrintGlyph());
    Button2 = makeButton(QStringLiteral("Button2"), QStringLiteral("Create Group"), {190, 456, 75, 25});
    Button1 = makeButton(QStringLiteral("Button1"), QStringLiteral("Close"), {278, 456, 75, 25});

    for (QPushButton* button : {btnSelectAll, btnUnSelectAll})
        connect(button, &QPushButton::clicked, this, [this, button] {
            Guarded([this, button] { btnSelectAllClick(button); });
        });
    for (QPushButton* button : {btnPreview, btnPrint})
        connect(button, &QPushButton::clicked, this, [this, button] {
            Guarded([this, button] { btnPreviewClick(button); });
        });
    connect(Button2, &QPushButton::clicked, this, [this] { Guarded([this] { Button2Click(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });

    // The report's design surface: a hidden panel along the bottom.
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 495, ClientWidth, 10);
    Panel1->setVisible(false);
}

void TfrmActivityRep::SetTabOrder()
{
    const QList<QWidget*> order = {btnPreview, btnPrint, Panel1, Range, SDate, EDate, rgDateRange,
                                   Button1, Button2, btnSelectAll, btnUnSelectAll, rgMember, CheckList};
    // Qt chains only widgets that take focus, so a compound control (a radio group, a date field)
    // enters the chain through its focusable children, in their own order.
    QList<QWidget*> chain;
    for (QWidget* control : order) {
        if (control->focusPolicy() != Qt::NoFocus)
            chain << control;
        for (QWidget* child : control->findChildren<QWidget*>()) {
            if (child->focusPolicy() != Qt::NoFocus)
                chain << child;
        }
    }
    for (int i = 1; i < chain.size(); ++i)
        setTabOrder(chain.at(i - 1), chain.at(i));
}

void TfrmActivityRep::CreateReport()
{
    QuickRep = std::make_unique<TBandedReport>();
    QuickRep->setObjectName(QStringLiteral("QuickRep"));
    m_reportData = std::make_unique<TQueryDataSet>(Query);
    QuickRep->SetDataSet(m_reportData.get());
    QuickRep->BeforePrint = [this](TBandedReport&, bool& printReport) { QuickRepBeforePrint(printReport); };

    TBand* title = QuickRep->AddBand(btTitle, QStringLiteral("QRBand1"), 105);
    lblTitle = title->AddLabel(QStringLiteral("lblTitle"), 313, 8, QStringLiteral("lblTitle"), ArialFont(14, true),
                               taCenter, true, 41);
    title->AddLabel(QStringLiteral("QRLabel6"), 264, 32, QStringLiteral("Activity Report"), ArialFont(14, true),
                    taLeftJustify);
    lblDate = title->AddLabel(QStringLiteral("lblDate"), 318, 58, QStringLiteral("lblDate"), ArialFont(12),
                              taCenter, true, 30);
    title->AddLabel(QStringLiteral("QRLabel9"), 595, 6, QStringLiteral("Page"), ArialFont(10), taRightJustify);
    title->AddSysData(QStringLiteral("QRSysData3"), 632, 6, sdPageNumber, ArialFont(10), taLeftJustify);
    title->AddLabel(QStringLiteral("QRLabel11"), 584, 27, QStringLiteral("Printed"), ArialFont(10), taLeftJustify);
    title->AddSysData(QStringLiteral("QRSysData1"), 632, 27, sdDate, ArialFont(10), taLeftJustify);
    title->BeforePrint = [this](TBand&, bool& printBand) { QRBand1BeforePrint(printBand); };

    TBand* header = QuickRep->AddBand(btColumnHeader, QStringLiteral("QRBand5"), 40);
    const struct {
        const char* name;
        const char* caption;
        int left;
    } headings[] = {{"QRLabel1", "Member#", 16},     {"QRLabel2", "HomePhone", 80}, {"QRLabel3", "Sub Category", 176},
                    {"QRLabel4", "Name", 280},       {"QRLabel5", "Start", 416},    {"QRLabel7", "End", 504},
                    {"QRLabel8", "Count Down", 576}, {"QRLabel10", "Pymt Rate", 654}};
    for (const auto& heading : headings)
        header->AddLabel(QString::fromLatin1(heading.name), heading.left, 13, QString::fromLatin1(heading.caption),
                         ArialFont(8, true), taLeftJustify);
    header->AddLine(QStringLiteral("QRShape1"), 16, 30, 696, 2);

    TBand* group = QuickRep->AddBand(btGroupHeader, QStringLiteral("QRGroup1"), 41);
    group->SetExpression(ReportFieldSource);
    group->SetReprintOnNewPage(false);
    group->AddDataField(QStringLiteral("Description"), 17, 12, QStringLiteral("description"), ArialFont(12, true),
                        taLeftJustify);
    group->AddLine(QStringLiteral("QRShape2"), 19, 30, 693, 1);

    TBand* detail = QuickRep->AddBand(btDetail, QStringLiteral("QRBand2"), 23);
    const struct {
        const char* name;
        const char* field;
        int left;
        int top;
        TAlignment alignment;
        int designWidth;
        TCellKind kind; // in the row exports
    } fields[] = {{"QRDBText1", "MemberNo", 16, 3, taLeftJustify, 0, ckInteger},
                  {"QRDBText2", "HomePhone", 80, 3, taLeftJustify, 0, ckText},
                  {"QRDBText3", "SubCatDesc", 176, 3, taLeftJustify, 0, ckText},
                  {"QRDBText4", "FullName", 280, 3, taLeftJustify, 0, ckText},
                  {"QRDBText5", "Start", 416, 3, taLeftJustify, 0, ckDate},
                  {"QRDBText6", "End", 504, 3, taLeftJustify, 0, ckDate},
                  {"QRDBText7", "Countdown", 576, 3, taCenter, 57, ckInteger},
                  {"QRDBText8", "Pymtrate", 654, 3, taCenter, 43, ckCurrency}};
    static_assert(std::size(fields) == std::size(headings), "each detail field sits under its heading");
    for (const auto& field : fields)
        detail->AddDataField(QString::fromLatin1(field.name), field.left, field.top, QString::fromLatin1(field.field),
                             ArialFont(8), field.alignment, field.designWidth);
    detail->BeforePrint = [this](TBand&, bool& printBand) { QRBand2BeforePrint(printBand); };

    TBand* footer = QuickRep->AddBand(btGroupFooter, QStringLiteral("QRBand3"), 24);
    lblCount = footer->AddLabel(QStringLiteral("lblCount"), 18, 4, QStringLiteral("lblCount"), ArialFont(10),
                                taLeftJustify);
    footer->BeforePrint = [this](TBand&, bool& printBand) { QRBand3BeforePrint(printBand); };
    group->SetFooterBand(footer);

    TBand* summary = QuickRep->AddBand(btSummary, QStringLiteral("QRBand4"), 40);
    lbltotcnt = summary->AddLabel(QStringLiteral("lbltotcnt"), 16, 16, QStringLiteral("lbltotcnt"),
                                  ArialFont(10, true), taLeftJustify);
    summary->BeforePrint = [this](TBand&, bool& printBand) { QRBand4BeforePrint(printBand); };

    // The same rows for spreadsheets: the activity first, then the detail fields in the report's order,
    // and the counts the group footers and the summary print.
    TRowExportLayout& rows = QuickRep->RowExport;
    rows.SheetName = QStringLiteral("Activity Report");
    rows.Columns = {{QStringLiteral("Activity"), QStringLiteral("description"), ckText}};
    for (size_t i = 0; i < std::size(fields); ++i) {
        rows.Columns.append({QString::fromLatin1(headings[i].caption), QString::fromLatin1(fields[i].field),
                             fields[i].kind});
    }
    rows.CountsSheetName = QStringLiteral("Counts");
    rows.GroupHeading = QStringLiteral("Activity");
    rows.CountHeading = QStringLiteral("Member Count");
    rows.TotalLabel = QStringLiteral("Total Member Count");
    rows.Title = QStringLiteral("Activity Report");
    rows.Company = [] { return ClubName(); };
}

void TfrmActivityRep::showEvent(QShowEvent* event)
{
    TRptBaseClub::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { FormShow(); });
}

void TfrmActivityRep::closeEvent(QCloseEvent* event)
{
    TRptBaseClub::closeEvent(event);
    if (event->isAccepted())
        Q_EMIT Closed();
}

void TfrmActivityRep::FormShow()
{
    const QString today = FormatDateTime(QStringLiteral("mm/dd/yyyy"), Now());
    EDate->SetText(today);
    SDate->SetText(today);

    tbckActs.First();
    const int count = tbckActs.RecordCount();
    for (int i = 0; i < count; ++i) {
        auto object = std::make_unique<TIntObj>();
        object->Number = tbckActs.FieldAsInteger(QStringLiteral("id"));
        auto* item = new QListWidgetItem(tbckActs.FieldAsString(QStringLiteral("description")), CheckList);
        item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void*>(object.get())));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        m_activityObjects.push_back(std::move(object));
        tbckActs.Next();
    }
}

void TfrmActivityRep::RangeClick()
{
    TDateTime from = 0;
    TDateTime to = 0;
    if (!PresetRange(Range->ItemIndex(), Date(), from, to))
        return;
    SDate->SetValue(from);
    EDate->SetValue(to);
}

void TfrmActivityRep::btnSelectAllClick(QObject* sender)
{
    const bool select = sender && sender->objectName() == QLatin1String("btnSelectAll");
    for (int i = 0; i < CheckList->count(); ++i)
        CheckList->item(i)->setCheckState(select ? Qt::Checked : Qt::Unchecked);
}

void TfrmActivityRep::Button1Click()
{
    close();
}

void TfrmActivityRep::BuildActivityIds()
{
    QList<TActivityItem> items;
    for (int i = 0; i < CheckList->count(); ++i) {
        const QListWidgetItem* item = CheckList->item(i);
        const auto* object = static_cast<const TIntObj*>(item->data(Qt::UserRole).value<void*>());
        items << TActivityItem{item->checkState() == Qt::Checked, object ? object->Number : 0};
    }
    ActivityIds = ::BuildActivityIds(items);
}

TActivitySelection TfrmActivityRep::Selection() const
{
    TActivitySelection selection;
    selection.Option = rgDateRange->ItemIndex();
    selection.Member = rgMember->ItemIndex();
    selection.ActivityIds = ActivityIds;
    selection.FromText = SDate->Text();
    selection.ToText = EDate->Text();
    return selection;
}

void TfrmActivityRep::OpenReportQuery()
{
    BuildActivityIds();
    const TActivitySelection selection = Selection();
    // A preview still laying out its pages reads Query; let it finish before the query is rebuilt.
    QuickRep->FinishPendingLayout();
    Query.Close();
    Query.SQL().clear();
    Query.SQL() << ActivityReportStatement(selection, Date());
    Query.Open();
}

void TfrmActivityRep::btnPreviewClick(QObject* sender)
{
    OpenReportQuery();
    if (sender && sender->objectName() == QLatin1String("btnPrint"))
        QuickRep->Print();
    else
        QuickRep->Preview();
}

void TfrmActivityRep::Button2Click()
{
    BuildActivityIds();
    QString groupName;
    if (!Prompt().InputQuery(QStringLiteral("Enter Group Name"), QStringLiteral("Group Name"), groupName))
        return;

    const TActivitySelection selection = Selection();

    // The three steps stand or fall together, and no other program's group can slip in between the
    // insert and the read of the newest id.
    TTransaction transaction(QStringLiteral("Brelmdata"), {QStringLiteral("groups")});

    Query2.Close();
    Query2.SQL().clear();
    Query2.SQL() << GroupInsertStatement();
    Query2.Prepare();
    Query2.SetParam(QStringLiteral("pgroupname"), groupName);
    Query2.SetParam(QStringLiteral("pTimeStamp"), ToQDateTime(Now()));
    Query2.ExecSQL();

    Query2.Close();
    Query2.SQL().clear();
    Query2.SQL() << NewestGroupStatement();
    Query2.Open();
    const qint32 groupId = Query2.FieldAsInteger(QStringLiteral("mid"));
    Query2.Close();

    Query2.Close();
    Query2.SQL().clear();
    Query2.SQL() << GroupMembersStatement(selection, Date(), groupId);
    Query2.ExecSQL();

    transaction.Commit();
}

void TfrmActivityRep::QuickRepBeforePrint(bool&)
{
    GroupCount = 0;
    TotalCount = 0;
}

void TfrmActivityRep::QRBand1BeforePrint(bool&)
{
    lblDate->SetCaption(FormatDateTime(QStringLiteral("mmmm d, yyyy"), Date()));
    lblTitle->SetCaption(ClubName());
}

void TfrmActivityRep::QRBand2BeforePrint(bool&)
{
    ++GroupCount;
    ++TotalCount;
}

void TfrmActivityRep::QRBand3BeforePrint(bool&)
{
    lblCount->SetCaption(QStringLiteral("Member Count  ") + QString::number(GroupCount));
    GroupCount = 0;
}

void TfrmActivityRep::QRBand4BeforePrint(bool&)
{
    lbltotcnt->SetCaption(QStringLiteral("Total Member Count = ") + QString::number(TotalCount));
}
