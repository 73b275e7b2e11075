#include "TfmSysLogin.h"

#include "AccessRights.h"
#include "FormFont.h"
#include "Login.h"
#include "TPrompt.h"
#include "TSession.h"
#include "TUserInfo.h"
#include "TbrmIniFile.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

const QString AccessModeFailure = QStringLiteral("Invalid user name or password - Try Again");
const QString LoginFailure = QStringLiteral("Invalid Login - Try Again");
const QString AccessRefused = QStringLiteral("Access not granted.");
const QString LoginRefused = QStringLiteral("Failed Login - See System Administrator");

constexpr int MaxAttempts = 3;
constexpr int ClientWidth = 222;
constexpr int ClientHeight = 165;
constexpr int EditHeight = 21;
constexpr int LabelHeight = 13;
constexpr double MsecsPerDay = 86400000.0;

// Masks the password with "*" whatever the platform style would use.
class TAsteriskStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Closes the table however the block is left, so an engine error never leaves it open.
class TCloseOnExit
{
public:
    explicit TCloseOnExit(TTable& table) : m_table(table) {}
    ~TCloseOnExit() { m_table.Close(); }
    TCloseOnExit(const TCloseOnExit&) = delete;
    TCloseOnExit& operator=(const TCloseOnExit&) = delete;

private:
    TTable& m_table;
};

// The time of day of a schedule field as a day fraction; an empty field is midnight.
TDateTime FieldAsTime(const TTable& table, const QString& name)
{
    if (table.FieldIsNull(name))
        return 0;
    const QVariant value = table.FieldValue(name);
    QTime time;
    if (value.typeId() == QMetaType::QTime)
        time = value.toTime();
    else if (value.typeId() == QMetaType::QDateTime)
        time = value.toDateTime().time();
    else
        time = QTime::fromString(value.toString().right(12).trimmed(), Qt::ISODateWithMs);
    if (!time.isValid())
        time = table.FieldAsDateTime(name).time();
    return time.isValid() ? time.msecsSinceStartOfDay() / MsecsPerDay : 0;
}

} // namespace

void FillUserInfo(const TTable& table, TUserInfo& user)
{
    user.ID = table.FieldAsInteger(QStringLiteral("ID"));
    user.EmpID = table.FieldAsString(QStringLiteral("EmpID"));
    user.FirstName = table.FieldAsString(QStringLiteral("FirstName"));
    user.LastName = table.FieldAsString(QStringLiteral("LastName"));
    user.Group1 = table.FieldAsString(QStringLiteral("Group1"));
    user.Level1 = table.FieldAsInteger(QStringLiteral("Level1"));
    user.Group2 = table.FieldAsString(QStringLiteral("Group2"));
    user.Group3 = table.FieldAsString(QStringLiteral("Group3"));
    const std::pair<TDateTime TUserInfo::*, const char*> times[] = {
        {&TUserInfo::MonStart, "MonStart"}, {&TUserInfo::MonEnd, "MonEnd"}, {&TUserInfo::TueStart, "TueStart"},
        {&TUserInfo::TueEnd, "TueEnd"},     {&TUserInfo::WedStart, "WedStart"}, {&TUserInfo::WedEnd, "WedEnd"},
        {&TUserInfo::ThuStart, "ThuStart"}, {&TUserInfo::ThuEnd, "ThuEnd"},     {&TUserInfo::FriStart, "FriStart"},
        {&TUserInfo::FriEnd, "FriEnd"},     {&TUserInfo::SatStart, "SatStart"}, {&TUserInfo::SatEnd, "SatEnd"},
        {&TUserInfo::SunStart, "SunStart"}, {&TUserInfo::SunEnd, "SunEnd"},
    };
    for (const auto& [field, name] : times)
        user.*field = FieldAsTime(table, QString::fromLatin1(name));

    // An empty first name counts as none: the engine may store either.
    user.FullName = user.FirstName.isEmpty() ? user.LastName : user.LastName + QStringLiteral(", ") + user.FirstName;
    const QString middleInitial = table.FieldAsString(QStringLiteral("MI"));
    if (!middleInitial.isEmpty())
        user.FullName += QLatin1Char(' ') + middleInitial;
}

TfmSysLogin::TfmSysLogin(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint)
    , tbUser(QStringLiteral("Brelmdata"), QStringLiteral("User.DB"))
{
    setObjectName(QStringLiteral("fmSysLogin"));
    setWindowTitle(QStringLiteral("Login"));
    setFont(FormFont());
    setFixedSize(ClientWidth, ClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    tbUser.SetIndexFieldNames(QStringLiteral("EmpID"));
    tbUser.SetReadOnly(true);

    BuildControls();
    FormCreate();
}

void TfmSysLogin::BuildControls()
{
    Label1 = new QLabel(QStringLiteral("&User Name"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(50, 16);

    UserName = new QLineEdit(this);
    UserName->setObjectName(QStringLiteral("UserName"));
    UserName->setGeometry(50, 32, 121, EditHeight);
    UserName->setProperty("HelpContext", 20000100);
    Label1->setBuddy(UserName);

    Label2 = new QLabel(QStringLiteral("&Password"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(50, 64);

    Password = new QLineEdit(this);
    Password->setObjectName(QStringLiteral("Password"));
    Password->setGeometry(50, 80, 121, EditHeight);
    Password->setProperty("HelpContext", 20000200);
    Password->setEchoMode(QLineEdit::Password);
    auto* asterisk = new TAsteriskStyle;
    asterisk->setParent(this);
    Password->setStyle(asterisk);
    Label2->setBuddy(Password);

    for (QLabel* label : {Label1, Label2})
        label->resize(label->sizeHint().width(), LabelHeight);

    lblDemo = new QLabel(QStringLiteral("Enter Demo for username no password required."), this);
    lblDemo->setObjectName(QStringLiteral("lblDemo"));
    // One pixel wider on each side than designed: the first line measures exactly 126 pixels, which
    // Qt's word wrap breaks where the original did not.
    lblDemo->setGeometry(47, 104, 128, 28);
    lblDemo->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblDemo->setWordWrap(true);
    // Arial 8 pt; Liberation Sans has the same metrics.
    QFont demoFont(QStringLiteral("Liberation Sans"));
    demoFont.setPixelSize(11);
    lblDemo->setFont(demoFont);
    QPalette demoPalette = lblDemo->palette();
    demoPalette.setColor(QPalette::WindowText, Qt::black);
    lblDemo->setPalette(demoPalette);

    bbOk = new QPushButton(QStringLiteral("OK"), this);
    bbOk->setObjectName(QStringLiteral("bbOk"));
    bbOk->setGeometry(30, 134, 75, 25);
    bbOk->setDefault(true);
    bbOk->setProperty("HelpContext", 20000300);
    // The glyphs the message boxes' buttons carry.
    bbOk->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));

    bbCancel = new QPushButton(QStringLiteral("Cancel"), this);
    bbCancel->setObjectName(QStringLiteral("bbCancel"));
    bbCancel->setGeometry(118, 134, 75, 25);
    bbCancel->setProperty("HelpContext", 20000400);
    bbCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));

    setTabOrder(UserName, Password);
    setTabOrder(Password, bbOk);
    setTabOrder(bbOk, bbCancel);
    UserName->setFocus();

    // Errors are kept for Execute() to raise rather than shown here, so the caller (the start-up
    // gate) decides; the dialog closes as refused.
    connect(bbOk, &QPushButton::clicked, this, [this] {
        try {
            bbOkClick();
        } catch (...) {
            m_error = std::current_exception();
            reject();
        }
    });
    connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfmSysLogin::FormCreate()
{
    UserID = 0;
    const QString path = TSession::Instance().AliasParam(QStringLiteral("Brelmdata"), QStringLiteral("PATH"));
    lblDemo->setVisible(path.toUpper().contains(QLatin1String("DEMO")));
}

void TfmSysLogin::SetAccessMode(const QString& keyword)
{
    AccessKeyword = keyword;
    AccessMode = true;
    setWindowTitle(QStringLiteral("Security Access"));
}

int TfmSysLogin::Execute()
{
    m_error = nullptr;
    const int result = Prompt().ExecModal(*this);
    if (m_error)
        std::rethrow_exception(std::exchange(m_error, nullptr));
    return result;
}

void TfmSysLogin::bbOkClick()
{
    {
        tbUser.Open();
        TCloseOnExit closer(tbUser);
        // A name that is not there, an inactive user and a wrong password are not told apart.
        if (tbUser.FindKey({UserName->text()}) && tbUser.FieldAsBoolean(QStringLiteral("EmpActive"))
            && tbUser.FieldAsString(QStringLiteral("Password")).toUpper() == Password->text().toUpper()) {
            LoggedIn = true;
            UserID = tbUser.FieldAsInteger(QStringLiteral("ID"));
            LogUserEvent(UserID, QStringLiteral("Logged In"));
            LoadUserInfo();
        }
    }

    if (LoggedIn) {
        accept();
        return;
    }

    ++Attempts;
    if (Attempts < MaxAttempts) {
        ShowWarning(AccessMode ? AccessModeFailure : LoginFailure);
        UserName->clear();
        Password->clear();
        UserName->setFocus();
        return;
    }
    if (AccessMode) {
        ShowWarning(AccessRefused);
    } else {
        if (CurrentUser())
            Logout();
        ShowWarning(LoginRefused);
    }
    reject();
}

// In access mode the row is that of the user who grants the right: the current user is set aside
// while the check runs for the granting user, then put back, and the configuration keeps its user.
void TfmSysLogin::LoadUserInfo()
{
    if (!AccessMode) {
        if (!CurrentUser())
            SetCurrentUser(std::make_unique<TUserInfo>());
        FillUserInfo(tbUser, *CurrentUser());
        SuiteIni().SetUser(CurrentUser()->EmpID);
        return;
    }

    struct TRestoreUser
    {
        std::unique_ptr<TUserInfo> SetAside = TakeCurrentUser();
        ~TRestoreUser() { SetCurrentUser(std::move(SetAside)); }
    } restore;
    auto granting = std::make_unique<TUserInfo>();
    FillUserInfo(tbUser, *granting);
    SetCurrentUser(std::move(granting));
    AccessResult = CheckAccess(AccessKeyword, false);
}
