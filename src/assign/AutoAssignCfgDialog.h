#pragma once

#include "core/SettingsFiles.h"
#include "db/QueryResult.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QTableWidget;

namespace kestra {

class AppContext;

// What the class dialog edits.
struct ClassInput {
    QString label;
    QString spec;
    QString maximum;
    bool all = false;
};

// frmAutoAssignCfg1: one subscriber out of the offered locations.
class SubscriberDialog : public QDialog {
    Q_OBJECT
public:
    SubscriberDialog(const QueryResult &choices, const QString &caption, const QString &current,
                     QWidget *parent = nullptr);
    QString chosen() const;

private:
    QListWidget *lstSubscriber_;
};

// frmAutoAssignCfg2: label, specification, maximum and chkAll. OK is taken
// only when the entry passes the editor's checks.
class ClassRuleDialog : public QDialog {
    Q_OBJECT
public:
    ClassRuleDialog(AppContext &context, const QString &caption, const ClassInput &current, QWidget *parent = nullptr);
    ClassInput input() const;

private:
    void accept() override;

    AppContext &context_;
    QLineEdit *txtLabel_;
    QLineEdit *txtSpec_;
    QLineEdit *txtMaximum_;
    QCheckBox *chkAll_;
};

// The initial-status table: location, status and release per row. OK
// checks every row and writes the file whole.
class InitialStatusDialog : public QDialog {
    Q_OBJECT
public:
    InitialStatusDialog(AppContext &context, const QueryResult &locations, QWidget *parent = nullptr);

private:
    void addRow(const InitialStatus &row);
    void accept() override;

    AppContext &context_;
    const QueryResult &locations_;
    QTableWidget *spdStatus_;
};

} // namespace kestra
