#pragma once

#include <QHash>
#include <QStringList>
#include <QToolBar>

namespace kestra {

// tbDC: a form's command bar. Buttons are found and switched by their
// string keys ("Import", "SelectAll", "Exit"), which are also their object
// names, so tests and the form use the same names.
class CommandBar : public QToolBar {
    Q_OBJECT
public:
    explicit CommandBar(QWidget *parent = nullptr, const QString &objectName = QStringLiteral("tbDC"));

    QAction *addCommand(const QString &key, const QString &text);
    void addSplit();

    // The button of a key; null when the bar has none.
    QAction *command(const QString &key) const { return commands_.value(key); }
    bool has(const QString &key) const { return commands_.contains(key); }
    void setCommandEnabled(const QString &key, bool enabled);
    void setCommandsEnabled(const QStringList &keys, bool enabled);
    bool isCommandEnabled(const QString &key) const;

Q_SIGNALS:
    void commandTriggered(const QString &key);

private:
    QHash<QString, QAction *> commands_;
    int splits_ = 0;
};

} // namespace kestra
