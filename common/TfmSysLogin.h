#pragma once
// The login dialog. In access mode ("Security Access") another user logs in to grant one right
// that the current user lacks; otherwise it is an ordinary log-in. Three failed presses of OK
// close it.
#include "TTable.h"

#include <QDialog>
#include <exception>

class QLabel;
class QLineEdit;
class QPushButton;
struct TUserInfo;

// Reads the user of the table's current row (the user table's fields).
void FillUserInfo(const TTable& table, TUserInfo& user);

class TfmSysLogin : public QDialog
{
    Q_OBJECT

public:
    explicit TfmSysLogin(QWidget* owner = nullptr);

    // Turns the dialog into the Security Access dialog for `keyword`.
    void SetAccessMode(const QString& keyword);

    // Shows the dialog modally through the prompt seam and returns its result. A database error
    // raised while OK was handled closes the dialog and is raised again here.
    int Execute();

    bool IsLoggedIn() const { return LoggedIn; }
    qint32 LoggedInUserID() const { return UserID; }
    qint32 GrantedUserID() const { return AccessResult; }

    // Handlers; bbOkClick runs when OK is pressed.
    void FormCreate();
    void bbOkClick();

    // Fills the current user from the current row of tbUser (see the .cpp for access mode).
    void LoadUserInfo();

    TTable tbUser;

private:
    void BuildControls();

    QLabel* Label1 = nullptr;
    QLineEdit* UserName = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Password = nullptr;
    QLabel* lblDemo = nullptr;
    QPushButton* bbOk = nullptr;
    QPushButton* bbCancel = nullptr;

    int Attempts = 0;
    bool AccessMode = false;
    bool LoggedIn = false;
    QString AccessKeyword;
    qint32 AccessResult = 0;
    qint32 UserID = 0;

    std::exception_ptr m_error;
};
