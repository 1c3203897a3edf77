#include "ui/CommandBar.h"

#include <QAction>

namespace kestra {

CommandBar::CommandBar(QWidget *parent, const QString &objectName) : QToolBar(parent)
{
    setObjectName(objectName);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setMovable(false);
}

QAction *CommandBar::addCommand(const QString &key, const QString &text)
{
    Q_ASSERT(!commands_.contains(key));
    QAction *action = addAction(text);
    action->setObjectName(key);
    commands_.insert(key, action);
    connect(action, &QAction::triggered, this, [this, key]() { Q_EMIT commandTriggered(key); });
    return action;
}

void CommandBar::addSplit()
{
    addSeparator()->setObjectName(QStringLiteral("Split%1").arg(++splits_));
}

void CommandBar::setCommandEnabled(const QString &key, bool enabled)
{
    if (QAction *action = commands_.value(key))
        action->setEnabled(enabled);
}

void CommandBar::setCommandsEnabled(const QStringList &keys, bool enabled)
{
    for (const QString &key : keys)
        setCommandEnabled(key, enabled);
}

bool CommandBar::isCommandEnabled(const QString &key) const
{
    const QAction *action = commands_.value(key);
    return action != nullptr && action->isEnabled();
}

} // namespace kestra
