#include "shell/LoginWindow.h"

#include "core/AppContext.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestra {

namespace {

QLabel *linkLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    return label;
}

void setLink(QLabel *label, const QString &text)
{
    label->setText(QStringLiteral("<a href=\"#\">") + text.toHtmlEscaped() + QStringLiteral("</a>"));
}

// Resets the re-entry flag however the click ends.
struct Running {
    bool &flag;
    explicit Running(bool &f) : flag(f) { flag = true; }
    ~Running() { flag = false; }
    Running(const Running &) = delete;
    Running &operator=(const Running &) = delete;
};

} // namespace

LoginWindow::LoginWindow(AppContext &context, QWidget *parent) : QDialog(parent), context_(context), login_(context)
{
    setObjectName(QStringLiteral("frmDCLogo"));
    setWindowTitle(QStringLiteral("Orvane文献信息服务系统 - 典藏"));

    auto *title = new QLabel(QStringLiteral("Orvane文献信息服务系统 · 典藏"), this);
    QFont big = title->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    title->setFont(big);

    lblCaption_ = new QLabel(this);
    lblCaption_->setObjectName(QStringLiteral("lblCaption"));
    lblVersion_ = new QLabel(QStringLiteral("版本 ") + Startup::clientVersion(), this);
    lblVersion_->setObjectName(QStringLiteral("lblVersion"));

    txtUser_ = new QLineEdit(this);
    txtUser_->setObjectName(QStringLiteral("txtUser"));
    txtPwd_ = new QLineEdit(this);
    txtPwd_->setObjectName(QStringLiteral("txtPwd"));
    txtPwd_->setEchoMode(QLineEdit::Password);
    txtPwdConfirm_ = new QLineEdit(this);
    txtPwdConfirm_->setObjectName(QStringLiteral("txtPwdConfirm"));
    txtPwdConfirm_->setEchoMode(QLineEdit::Password);

    lblUserCaption_ = new QLabel(QStringLiteral("操作员："), this);
    lblPwdCaption_ = new QLabel(this);
    lblConfirmCaption_ = new QLabel(QStringLiteral("确认密码："), this);
    auto *fields = new QGridLayout;
    fields->addWidget(lblUserCaption_, 0, 0);
    fields->addWidget(txtUser_, 0, 1);
    fields->addWidget(lblPwdCaption_, 1, 0);
    fields->addWidget(txtPwd_, 1, 1);
    fields->addWidget(lblConfirmCaption_, 2, 0);
    fields->addWidget(txtPwdConfirm_, 2, 1);

    cmdLogin_ = new QPushButton(QStringLiteral("登录"), this);
    cmdLogin_->setObjectName(QStringLiteral("cmdLogin"));
    cmdSave_ = new QPushButton(QStringLiteral("保存"), this);
    cmdSave_->setObjectName(QStringLiteral("cmdSave"));
    lblUpdate_ = linkLabel(QStringLiteral("lblUpdate"), this);
    lblExit_ = linkLabel(QStringLiteral("lblExit"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblUpdate_);
    buttons->addStretch();
    buttons->addWidget(cmdLogin_);
    buttons->addWidget(cmdSave_);
    buttons->addWidget(lblExit_);

    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(lblCaption_);
    layout->addWidget(lblVersion_);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->addWidget(lblStatus_);

    connect(cmdLogin_, &QPushButton::clicked, this, &LoginWindow::clickLogin);
    connect(cmdSave_, &QPushButton::clicked, this, &LoginWindow::clickSave);
    connect(lblUpdate_, &QLabel::linkActivated, this, &LoginWindow::clickUpdate);
    connect(lblExit_, &QLabel::linkActivated, this, &LoginWindow::clickExit);

    setMode(Mode::Login);
}

void LoginWindow::setStatus(const QString &text)
{
    lblStatus_->setText(text);
}

QString LoginWindow::status() const
{
    return lblStatus_->text();
}

Startup::StatusSink LoginWindow::statusSink()
{
    return [this](const QString &text) {
        setStatus(text);
        lblStatus_->repaint();
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
}

void LoginWindow::setMode(Mode mode)
{
    mode_ = mode;
    const bool about = mode == Mode::About;
    const bool changing = mode == Mode::ChangePassword;
    if (mode == Mode::Login || mode == Mode::ReLogin)
        returnMode_ = mode;

    lblCaption_->setText(about                   ? QStringLiteral("关于")
                         : changing              ? QStringLiteral("修改密码")
                         : mode == Mode::ReLogin ? QStringLiteral("重新登录")
                                                 : QStringLiteral("登录"));
    lblVersion_->setVisible(about);
    for (QWidget *w :
         {static_cast<QWidget *>(lblUserCaption_), static_cast<QWidget *>(txtUser_),
          static_cast<QWidget *>(lblPwdCaption_), static_cast<QWidget *>(txtPwd_), static_cast<QWidget *>(lblUpdate_)})
        w->setVisible(!about);
    lblConfirmCaption_->setVisible(changing);
    txtPwdConfirm_->setVisible(changing);
    cmdLogin_->setVisible(!about && !changing);
    cmdSave_->setVisible(changing);
    cmdLogin_->setDefault(!changing);
    cmdSave_->setDefault(changing);

    // The operator is fixed while a password is changed and during a re-login.
    txtUser_->setReadOnly(changing || mode == Mode::ReLogin);
    lblPwdCaption_->setText(changing ? QStringLiteral("新密码：") : QStringLiteral("密码："));
    setLink(lblUpdate_, changing ? QStringLiteral("返回") : QStringLiteral("修改密码"));
    setLink(lblExit_, about ? QStringLiteral("关闭") : QStringLiteral("退出"));
    if (changing) {
        txtUser_->setText(changingOperator_);
        txtPwd_->clear();
        txtPwdConfirm_->clear();
        txtPwd_->setFocus();
    } else if (!about) {
        txtPwdConfirm_->clear();
    }
}

int LoginWindow::start(Startup &startup, const QString &commandLine)
{
    if (startup.run() < 0)
        return -1;
    setMode(Mode::Login);
    login_.setCommandLine(commandLine);
    loginFromCommandLine(commandLine);
    return 0;
}

void LoginWindow::loginFromCommandLine(const QString &commandLine)
{
    QString text = Login::loginText(commandLine);
    if (text.isEmpty())
        return;
    txtUser_->setText(Startup::nextToken(text, QStringLiteral("/")));
    txtPwd_->setText(text);
    clickLogin();
}

void LoginWindow::clickLogin()
{
    if (busy_ || mode_ == Mode::ChangePassword || mode_ == Mode::About)
        return;
    Running running(busy_);
    setStatus(QStringLiteral("正在登录..."));
    lblStatus_->repaint();
    const bool relogin = mode_ == Mode::ReLogin;
    const Login::Attempt a = login_.attempt(txtUser_->text(), txtPwd_->text(), relogin);
    setStatus(a.status);
    switch (a.outcome) {
    case Login::Outcome::Refused:
    case Login::Outcome::NoRight:
        return;
    case Login::Outcome::ChangePassword:
        changingOperator_ = context_.session().operatorNo;
        setMode(Mode::ChangePassword);
        setStatus(a.status);
        return;
    case Login::Outcome::Accepted:
        break;
    }
    if (relogin) {
        done(QDialog::Accepted);
        Q_EMIT reLoginDone();
    } else {
        Q_EMIT loginAccepted();
        done(QDialog::Accepted);
    }
}

void LoginWindow::clickSave()
{
    if (mode_ != Mode::ChangePassword)
        return;
    const QString fresh = txtPwd_->text();
    if (!login_.changePassword(changingOperator_, fresh, txtPwdConfirm_->text()))
        return;
    setMode(returnMode_);
    txtUser_->setText(changingOperator_);
    txtPwd_->setText(fresh);
    setStatus(QString());
}

void LoginWindow::clickUpdate()
{
    if (mode_ == Mode::ChangePassword) {
        setMode(returnMode_);
        setStatus(QString());
        return;
    }
    if (mode_ == Mode::About || busy_)
        return;
    const QString user = txtUser_->text().trimmed().toUpper();
    if (user.isEmpty() || txtPwd_->text().isEmpty()) {
        showExclamation(QStringLiteral("请输入正确的名称以及口令！"), QStringLiteral("提示"));
        return;
    }
    // Only the holder of the password may replace it: the old one is checked
    // (and a wrong one counted) as a login would.
    Running running(busy_);
    if (login_.checkPassword(user, txtPwd_->text()) < 0)
        return;
    changingOperator_ = user;
    setMode(Mode::ChangePassword);
    setStatus(login_.passwordRuleText());
}

void LoginWindow::clickExit()
{
    if (mode_ == Mode::About) {
        done(QDialog::Accepted);
        return;
    }
    if (context_.showMsg(QStringLiteral("QCM501")) != AnswerOk)
        return;
    Q_EMIT exitRequested();
    done(QDialog::Rejected);
}

void LoginWindow::reject()
{
    // Escape and the close box leave the form only the way lblExit does.
    clickExit();
}

void LoginWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    clickExit();
}

bool LoginWindow::runReLogin(const QString &status)
{
    setMode(Mode::ReLogin);
    txtUser_->setText(context_.session().operatorNo);
    txtPwd_->clear();
    setStatus(status);
    txtPwd_->setFocus();
    return exec() == QDialog::Accepted;
}

void LoginWindow::showAbout()
{
    const Mode before = mode_;
    setMode(Mode::About);
    setStatus(QString());
    exec();
    setMode(before == Mode::About ? Mode::Login : before);
}

void LoginWindow::showExclamation(const QString &text, const QString &title)
{
    MessageStyle style = messageStyle(u'W');
    style.buttons = MessageStyle::Buttons::Ok;
    style.defaultButton = MessageStyle::Default::Ok;
    context_.prompter().showMessage(MessageBox{u'W', title, text, style});
}

} // namespace kestra
