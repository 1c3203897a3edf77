#pragma once

#include "kit/BatchPicker.h"
#include "kit/QueryModel.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QTableView;

namespace kestra {

class AppContext;
class BatchDialog;

// What one batch dialog shows and offers besides choosing: the window's
// name and title, the columns of the picker's rows, the buttons that act on
// the list (new, amend, delete, detail ...), the line under the grid that
// describes the current batch.
struct BatchDialogSetup {
    // A button beside OK: it gets the dialog and the current row (-1 for
    // none) and reads the list again itself when it changed it.
    struct Action {
        QString name;
        QString caption;
        std::function<void(BatchDialog &, int)> run;
    };

    QString objectName;
    QString title;
    QString type; // the processing type, for tables that have one
    QString location = QStringLiteral("All");
    QString findCaption = QStringLiteral("查询");
    QList<QueryColumn> columns;
    QList<Action> actions;
    std::function<QString(const QueryModel &, int)> describe{}; // none: no line (lblBatch)
    QString nothingChosen{};    // the message of OK without a row; none: OK does nothing
    QList<int> searchColumns{}; // the columns of the select list the search reads; none: all
};

// The batch dialog over the batch picker: the list of one batch table
// (spdBatch) since the operator's ShowDate, the search (txtFind, cmdFind:
// from below the current row, then from the top), the setup's buttons,
// cmdOK (or a double click) and cmdCancel. The list is read again when a
// commit changes its table.
class BatchDialog : public QDialog {
    Q_OBJECT
public:
    BatchDialog(AppContext &context, const BatchTable &table, BatchDialogSetup setup, QWidget *parent = nullptr);

    AppContext &context() { return context_; }
    const QueryModel &rows() const { return rows_; }
    int currentRow() const;
    // The row chosen with OK; -1 before.
    int chosenRow() const { return chosen_; }

    // Reads the list again; the batch with this number (the first column)
    // is chosen, else the one chosen before, else the first.
    void reload(const QString &select = QString());

private:
    void find();
    void choose();
    void showCurrent();

    AppContext &context_;
    BatchDialogSetup setup_;
    BatchPicker picker_;
    QueryModel rows_;
    QTableView *spdBatch_;
    QLineEdit *txtFind_;
    QLabel *lblBatch_ = nullptr;
    int chosen_ = -1;
};

} // namespace kestra
