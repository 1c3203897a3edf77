#pragma once

#include <QList>
#include <QString>

namespace kestra {

// One command of the main window's menu: its menu key, caption, the module
// right it needs (empty: none), and what it opens.
struct MainCommand {
    const char *key;  // menu key, also the object name of its action
    const char *menu; // the top-level menu (or sub-menu) key it belongs to
    const char16_t *caption;
    const char *right; // "" when the command needs no right
    const char *form;  // the form it opens ("" for window commands)
    const char *mode;  // the form's mode argument ("" when none)
    bool newInstance;  // a new window each time instead of bringing the open one forward
    bool separatorBefore;
};

struct MainMenu {
    const char *key;
    const char16_t *caption;
    const char *parent; // "" for a top-level menu
};

// Toolbar button key -> the menu key it triggers.
struct ToolbarButton {
    const char *key;
    const char *command;
    bool separatorBefore;
};

const QList<MainMenu> &mainMenus();
const QList<MainCommand> &mainCommands();
const QList<ToolbarButton> &toolbarButtons();
const MainCommand *findMainCommand(const QString &key);

// The window caption of a module of the suite:
// "Orvane文献信息服务系统Kestra" + major.minor + " - " + module name.
QString moduleCaption(const QString &moduleName);

// The module names of the module-switch commands, by menu key.
QString jumpModuleName(const QString &menuKey);

} // namespace kestra
