#include "TfrmActivityRep.h"

#include "ActivityStatement.h"
#include "DateDrop.h"
#include "DateTime.h"
#include "EConvertError.h"
#include "FormFont.h"
#include "HandlerGuard.h"
#include "RangePresets.h"
#include "ReportWindows.h"
#include "TActivityReport.h"
#include "TPrompt.h"
#include "TRadioGroup.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QCloseEvent>
#include <QShowEvent>

namespace {

constexpr int ClientWidth = 363;
constexpr int ClientHeight = 505;
// The date both date fields were designed with (8 December 1997); their popup calendars keep it until a
// preset or the calendar sets another, so choosing "Today" after start rewrites the fields.
constexpr TDateTime DesignDate = 35772;
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
    : TReportBase(parent)
    , tbckActs(QStringLiteral("Brelmdata"), QStringLiteral("ckActs.DB"))
    , m_report(std::make_unique<TActivityReport>())
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

void TfrmActivityRep::showEvent(QShowEvent* event)
{
    TReportBase::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { FormShow(); });
}

void TfrmActivityRep::closeEvent(QCloseEvent* event)
{
    TReportBase::closeEvent(event);
    if (event->isAccepted())
        Q_EMIT Closed();
}

void TfrmActivityRep::FormShow()
{
    const QString today = FormatDateTime(QStringLiteral("mm/dd/yyyy"), Now());
    EDate->SetText(today);
    SDate->SetText(today);

    // The window may be shown again (hidden and shown by code): the list is built afresh each time,
    // keeping which activities were checked.
    QList<qint32> unchecked;
    for (int i = 0; i < CheckList->count(); ++i) {
        const QListWidgetItem* item = CheckList->item(i);
        const auto* object = static_cast<const TIntObj*>(item->data(Qt::UserRole).value<void*>());
        if (object && item->checkState() != Qt::Checked)
            unchecked << object->Number;
    }
    CheckList->clear();
    m_activityObjects.clear();

    tbckActs.First();
    const int count = tbckActs.RecordCount();
    for (int i = 0; i < count; ++i) {
        auto object = std::make_unique<TIntObj>();
        object->Number = tbckActs.FieldAsInteger(QStringLiteral("id"));
        auto* item = new QListWidgetItem(tbckActs.FieldAsString(QStringLiteral("description")), CheckList);
        item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void*>(object.get())));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(unchecked.contains(object->Number) ? Qt::Unchecked : Qt::Checked);
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
    if (UsesPeriod(selection)) {
        // As the fields read their text; a text that is no date stops the run here, before any statement.
        for (const auto& [field, value] : {std::pair{SDate, &selection.From}, std::pair{EDate, &selection.To}}) {
            *value = TbrmDateDropDown::ParseDateText(field->Text());
            if (*value <= 0)
                throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(field->Text()));
        }
    }
    return selection;
}

TBandedReport& TfrmActivityRep::Report() const
{
    return m_report->Report();
}

TQuery& TfrmActivityRep::ReportQuery()
{
    return m_report->ReportQuery();
}

void TfrmActivityRep::OpenReportQuery()
{
    BuildActivityIds();
    m_report->Open(Selection());
}

void TfrmActivityRep::btnPreviewClick(QObject* sender)
{
    OpenReportQuery();
    if (sender && sender->objectName() == QLatin1String("btnPrint"))
        PrintReport(Report());
    else
        PreviewReport(Report());
}

void TfrmActivityRep::Button2Click()
{
    BuildActivityIds();
    QString groupName;
    if (!Prompt().InputQuery(QStringLiteral("Enter Group Name"), QStringLiteral("Group Name"), groupName))
        return;
    m_report->CreateGroup(Selection(), groupName);
}
