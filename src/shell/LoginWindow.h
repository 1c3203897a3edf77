#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kestra {

// frmDCLogo: the login form, shown at once when the program starts; its
// status line reports each start-up step.
class LoginWindow : public QDialog {
    Q_OBJECT
public:
    explicit LoginWindow(QWidget *parent = nullptr);

    void setStatus(const QString &text);
    QString status() const;

    QLineEdit *userBox() const { return txtUser_; }
    QLineEdit *passwordBox() const { return txtPwd_; }

Q_SIGNALS:
    void loginRequested(const QString &user, const QString &password);

private:
    QLabel *lblStatus_;
    QLineEdit *txtUser_;
    QLineEdit *txtPwd_;
    QPushButton *cmdOK_;
    QPushButton *cmdCancel_;
};

} // namespace kestra
