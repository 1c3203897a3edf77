#include "shell/MainWindow.h"

#include "addins/AddinHostValues.h"
#include "addins/AddinsCollection.h"
#include "core/Preferences.h"
#include "core/Session.h"
#include "shell/MainCommands.h"
#include "ui/FormLayout.h"
#include "ui/FormRegistry.h"
#include "ui/ModuleEndpoint.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProcess>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace kestra {

namespace {

constexpr int kKeepAliveMs = 5 * 60 * 1000;
constexpr int kReLoginTickMs = 60 * 1000;

} // namespace

MainWindow::MainWindow(AppContext &context, const FormRegistry &forms, UserSettingsStore &settings, QWidget *parent)
    : QMainWindow(parent), context_(context), forms_(forms), settings_(settings), session_(context),
      mdi_(new QMdiArea(this)), statusPanel_(new QLabel(this)), tmLink_(new QTimer(this)),
      tmrReLogin_(new QTimer(this)), endpoint_(new ModuleEndpoint(this))
{
    setObjectName(QStringLiteral("frmMain"));
    mdi_->setObjectName(QStringLiteral("mdiMain"));
    setCentralWidget(mdi_);
    statusPanel_->setObjectName(QStringLiteral("sbStatusPanel1"));
    statusBar()->setObjectName(QStringLiteral("sbStatusBar"));
    statusBar()->addWidget(statusPanel_);

    // Load: preferences, then status bar and caption, then the rest.
    context_.preferences() = settings_.loadPreferences();
    buildMenus();
    buildToolbar();
    loadAddins();
    statusPanel_->setText(context_.params().text(1) + QStringLiteral(" - ") + context_.session().operatorNo);
    setWindowTitle(moduleCaption(QStringLiteral("典藏")));
    session_.open();
    updateCommandStates();

    tmLink_->setObjectName(QStringLiteral("tmLink"));
    tmLink_->setInterval(kKeepAliveMs);
    connect(tmLink_, &QTimer::timeout, this, &MainWindow::keepAliveTick);
    tmLink_->start();

    tmrReLogin_->setObjectName(QStringLiteral("tmrReLogin"));
    tmrReLogin_->setInterval(kReLoginTickMs);
    connect(tmrReLogin_, &QTimer::timeout, this, &MainWindow::reLoginTick);
    if (session_.reLoginHours() > 0)
        tmrReLogin_->start();

    endpoint_->listen(windowTitle());
    connect(endpoint_, &ModuleEndpoint::raiseRequested, this, [this]() {
        showNormal();
        raise();
        activateWindow();
    });
    resize(1100, 720);
}

MainWindow::~MainWindow()
{
    // The add-ins' host is this window: nothing of theirs outlives it.
    AddinsCollection &addins = context_.cache<AddinsCollection>();
    addins.unload();
    addins.setHost({});
}

void MainWindow::loadAddins()
{
    AddinsCollection &addins = context_.cache<AddinsCollection>();
    addins.unload();
    AddinVariables variables = addinVariables(context_);
    variables.findObject = [this](const QString &name) { return findChild<QObject *>(name); };
    addins.setHost(
        {[this](const QString &m) { return context_.showMsg(m); }, std::move(variables), {}, addinHostVersion()});
    addins.loadAddins(context_.folders().root() + QStringLiteral("addins"));
    addins.runStartupCommands();

    // Each item of the two extension points becomes a menu entry (in the
    // tools menu) or a toolbar button, in manifest order.
    auto addEntries = [&](const QString &path, const QString &type, auto &&place) {
        const QList<AddinEntry> entries = addins.getExtensByPath(path, type);
        for (int i = 0; i < entries.size(); ++i) {
            const AddinEntry &e = entries.at(i);
            QString caption = e.item.attribute(QStringLiteral("caption"));
            if (caption.isEmpty())
                caption = e.item.text.isEmpty() ? e.item.attribute(QStringLiteral("id")) : e.item.text;
            QAction *action = place(caption, i == 0);
            action->setObjectName(e.item.attribute(QStringLiteral("id")));
            action->setToolTip(e.item.attribute(QStringLiteral("tooltip")));
            const QString icon = addinFile(e.addin->path, e.item.attribute(QStringLiteral("icon")));
            if (!icon.isEmpty())
                action->setIcon(QIcon(icon));
            const Addin *addin = e.addin;
            const QString cls = e.item.attribute(QStringLiteral("class"));
            const QString shortcut = e.item.attribute(QStringLiteral("Shortcut"));
            connect(action, &QAction::triggered, this, [this, addin, cls, shortcut]() {
                // Nothing runs once the add-ins are unloaded (the window is closing).
                AddinsCollection &loaded = context_.cache<AddinsCollection>();
                if (loaded.holds(addin))
                    loaded.excuteExtenShortcut(*addin, cls, shortcut);
            });
        }
    };
    QMenu *tools = menuBar()->findChild<QMenu *>(QStringLiteral("mnuTool"));
    addEntries(QStringLiteral("%frmMain%\\%MainMenu%"), QStringLiteral("MenuItem"),
               [tools](const QString &caption, bool first) {
                   if (first)
                       tools->addSeparator()->setObjectName(QStringLiteral("mnuToolAddinSeparator"));
                   return tools->addAction(caption);
               });
    addEntries(QStringLiteral("%frmMain%\\%Toolbar%\\Standard"), QStringLiteral("CommandItem"),
               [this](const QString &caption, bool first) {
                   if (first)
                       toolbar_->addSeparator()->setObjectName(QStringLiteral("SplitAddins"));
                   return toolbar_->addAction(caption);
               });
}

void MainWindow::buildMenus()
{
    QHash<QString, QMenu *> menus;
    for (const MainMenu &m : mainMenus()) {
        QMenu *parentMenu = menus.value(QLatin1String(m.parent));
        QMenu *menu = parentMenu != nullptr ? parentMenu->addMenu(QString::fromUtf16(m.caption))
                                            : menuBar()->addMenu(QString::fromUtf16(m.caption));
        menu->setObjectName(QLatin1String(m.key));
        menus.insert(QLatin1String(m.key), menu);
    }
    QHash<QString, int> separators;
    for (const MainCommand &c : mainCommands()) {
        QMenu *menu = menus.value(QLatin1String(c.menu));
        if (menu == nullptr)
            continue;
        if (c.separatorBefore) {
            QAction *sep = menu->addSeparator();
            const int n = ++separators[QLatin1String(c.menu)];
            sep->setObjectName(QStringLiteral("%1Separator%2").arg(QLatin1String(c.menu)).arg(n));
        }
        QAction *action = menu->addAction(QString::fromUtf16(c.caption));
        action->setObjectName(QLatin1String(c.key));
        const QString key = QLatin1String(c.key);
        connect(action, &QAction::triggered, this, [this, key]() { runCommand(key); });
        actions_.insert(key, action);
    }
    for (const char *key : {"mnuViewToolbar", "mnuViewStatusBar"}) {
        QAction *a = actions_.value(QLatin1String(key));
        a->setCheckable(true);
        a->setChecked(true);
    }
}

void MainWindow::buildToolbar()
{
    toolbar_ = addToolBar(QStringLiteral("Standard"));
    toolbar_->setObjectName(QStringLiteral("tbToolbar"));
    int split = 0;
    for (const ToolbarButton &b : toolbarButtons()) {
        if (b.separatorBefore)
            toolbar_->addSeparator()->setObjectName(QStringLiteral("Split%1").arg(++split));
        QAction *command = actions_.value(QLatin1String(b.command));
        QAction *button = toolbar_->addAction(command->text());
        button->setObjectName(QLatin1String(b.key));
        const QString key = QLatin1String(b.command);
        connect(button, &QAction::triggered, this, [this, key]() { runCommand(key); });
        connect(command, &QAction::changed, button, [button, command]() { button->setEnabled(command->isEnabled()); });
        button->setEnabled(command->isEnabled());
    }
}

void MainWindow::updateCommandStates()
{
    for (const MainCommand &c : mainCommands()) {
        QAction *a = actions_.value(QLatin1String(c.key));
        if (a == nullptr || QLatin1String(c.form).isEmpty())
            continue;
        // A form that does not exist yet is never shown as an empty window,
        // and a command the operator has no right to is not offered.
        const bool exists = forms_.has(QLatin1String(c.form));
        const bool allowed = QLatin1String(c.right).isEmpty() || context_.session().hasRight(QLatin1String(c.right));
        a->setEnabled(exists && allowed);
    }
}

void MainWindow::runCommand(const QString &key)
{
    const MainCommand *c = findMainCommand(key);
    if (c == nullptr)
        return;
    const QString right = QLatin1String(c->right);
    if (!right.isEmpty() && !context_.session().hasRight(right)) {
        context_.showMsg(QStringLiteral("ECM504") + right);
        return;
    }
    if (!QLatin1String(c->form).isEmpty()) {
        FormArgs args;
        if (!QLatin1String(c->mode).isEmpty())
            args.insert(QStringLiteral("mode"), QString(QLatin1String(c->mode)));
        showForm(QLatin1String(c->form), args, c->newInstance);
        return;
    }
    if (key == QLatin1String("mnuExit")) {
        close();
    } else if (key == QLatin1String("mnuLogin")) {
        if (reLogin_ && reLogin_(QStringLiteral("用户重新登录")))
            session_.markLoggedIn();
    } else if (key == QLatin1String("mnuViewToolbar")) {
        toolbar_->setVisible(!toolbar_->isVisible());
        actions_.value(key)->setChecked(toolbar_->isVisible());
    } else if (key == QLatin1String("mnuViewStatusBar")) {
        statusBar()->setVisible(!statusBar()->isVisible());
        actions_.value(key)->setChecked(statusBar()->isVisible());
    } else if (key == QLatin1String("mnuWindowTileHorizontal")) {
        tile(Qt::Horizontal);
    } else if (key == QLatin1String("mnuWindowTileVertical")) {
        tile(Qt::Vertical);
    } else if (key == QLatin1String("mnuWindowCascade")) {
        mdi_->cascadeSubWindows();
    } else if (key == QLatin1String("mnuWindowArrangeIcons")) {
        mdi_->tileSubWindows();
    } else if (key == QLatin1String("mnuHelpAbout")) {
        if (about_)
            about_();
    } else if (QLatin1String(c->menu) == QLatin1String("mnuJump")) {
        switchModule(QString::fromUtf16(c->caption));
    }
}

QString MainWindow::rightFor(const QString &form) const
{
    const QString registered = forms_.right(form);
    if (!registered.isEmpty())
        return registered;
    for (const MainCommand &c : mainCommands()) {
        if (QLatin1String(c.form) == form)
            return QLatin1String(c.right);
    }
    return {};
}

QWidget *MainWindow::openForm(const QString &form, const FormArgs &args)
{
    if (!forms_.has(form)) {
        context_.showMsg(QStringLiteral("E该功能尚未安装：") + form);
        return nullptr;
    }
    const QString right = rightFor(form);
    if (!right.isEmpty() && !context_.session().hasRight(right)) {
        context_.showMsg(QStringLiteral("ECM504") + right);
        return nullptr;
    }
    return showForm(form, args, false);
}

namespace {

// The mode an open form was made for, so that the door tells the weeding
// window from the gift window of the same form.
const char *const kModeProperty = "kestraFormMode";

void handArguments(QWidget *widget, const FormArgs &args)
{
    if (auto *target = dynamic_cast<FormTarget *>(widget))
        target->setArguments(args);
}

} // namespace

QWidget *MainWindow::showForm(const QString &form, const FormArgs &args, bool newInstance)
{
    const QString mode = formMode(args);
    if (!newInstance) {
        for (QMdiSubWindow *sub : mdi_->subWindowList()) {
            QWidget *open = sub->widget();
            if (open != nullptr && open->objectName() == form && open->property(kModeProperty).toString() == mode) {
                sub->showNormal();
                mdi_->setActiveSubWindow(sub);
                handArguments(open, args);
                return open;
            }
        }
    }
    const FormServices services{context_, session_.barcode(), settings_, forms_.pickers(), this};
    QWidget *widget = forms_.create(form, services, args);
    if (widget == nullptr)
        return nullptr;
    if (widget->objectName().isEmpty())
        widget->setObjectName(form);
    widget->setProperty(kModeProperty, mode);
    widget->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow *sub = showInWorkspace(mdi_, widget, settings_);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    widget->setFocus();
    handArguments(widget, args);
    return widget;
}

void MainWindow::tile(Qt::Orientation orientation)
{
    const QList<QMdiSubWindow *> windows = mdi_->subWindowList();
    if (windows.isEmpty())
        return;
    const QRect area = mdi_->viewport()->rect();
    const int n = static_cast<int>(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow *w = windows.at(i);
        w->showNormal();
        if (orientation == Qt::Horizontal)
            w->setGeometry(0, area.height() * i / n, area.width(), area.height() / n);
        else
            w->setGeometry(area.width() * i / n, 0, area.width() / n, area.height());
    }
}

void MainWindow::switchModule(const QString &moduleName)
{
    const QString caption = moduleCaption(moduleName);
    if (ModuleEndpoint::raiseRunning(caption))
        return;
    // The suite's other clients live in the installation folder under their
    // module names; this one is kestra-holdings.
    const QString root = context_.folders().root();
    QStringList candidates = {root + moduleName, root + moduleName + QStringLiteral(".exe"),
                              context_.folders().folder(InstallFolders::Bin) + moduleName};
    if (moduleName == QLatin1String("典藏"))
        candidates.prepend(QCoreApplication::applicationFilePath());
    for (const QString &program : candidates) {
        if (QFileInfo(program).isExecutable()) {
            const SessionValues &s = context_.session();
            QProcess::startDetached(program, {s.operatorNo + u'/' + s.password, QStringLiteral("--root"), root});
            return;
        }
    }
    context_.showMsg(QStringLiteral("E没有找到模块程序：") + candidates.front());
}

void MainWindow::keepAliveTick()
{
    session_.keepAlive();
}

void MainWindow::reLoginTick()
{
    if (!session_.reLoginDue() || !reLogin_)
        return;
    tmrReLogin_->stop();
    const QString status = QStringLiteral("登录时间超过") + QString::number(session_.reLoginHours()) +
                           QStringLiteral("小时，请重新验证密码");
    if (reLogin_(status))
        session_.markLoggedIn();
    tmrReLogin_->start();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (closing_) {
        event->accept();
        return;
    }
    if (context_.showMsg(QStringLiteral("QCM000")) != AnswerOk) {
        event->ignore();
        return;
    }
    mdi_->closeAllSubWindows();
    if (!mdi_->subWindowList().isEmpty()) {
        event->ignore(); // a form refused to close (unsaved work)
        return;
    }
    closing_ = true;
    settings_.saveStyle(context_.preferences().styleId);
    context_.cache<AddinsCollection>().unload();
    session_.close();
    context_.db().close();
    event->accept();
}

} // namespace kestra
