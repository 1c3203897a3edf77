#pragma once

#include "items/CopySearch.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QPushButton;
class QTableWidget;

namespace kestra {

class AppContext;
class SearchRowsWidget;

// frmHold_BookSeek: the modal copy search of the processing forms. Five
// condition rows (SearchRowsWidget), cmdSearch, the history cboHistory, the
// grid spdBookLst, cmdOK and cmdCancel.
class CopySearchDialog : public QDialog {
    Q_OBJECT
public:
    // location: the calling form's processing location; empty or "All"
    // when it works for every location.
    CopySearchDialog(CopySearch &search, const QString &location, QWidget *parent = nullptr);

    // The entry point of the processing forms: the chosen copy (its
    // prop_no and bar_code among the rest), nothing on Cancel or when the
    // index groups cannot be loaded. The history lasts for this one call.
    static std::optional<FoundCopy> run(AppContext &context, const QString &location, QWidget *parent = nullptr);
    // The same with the form's own search, whose history lasts as long as
    // the form keeps it.
    static std::optional<FoundCopy> run(CopySearch &search, const QString &location, QWidget *parent = nullptr);

    // The copy OK accepted.
    const std::optional<FoundCopy> &chosen() const { return chosen_; }

    // cmdSearch, cmdOK; a history entry puts its conditions back and runs.
    void clickSearch();
    void clickOK();
    void chooseHistory(int entry);

private:
    void showCopies();
    void showHistory();

    CopySearch &search_;
    QString location_;
    SearchRowsWidget *rows_;
    QComboBox *cboHistory_;
    QTableWidget *spdBookLst_;
    QPushButton *cmdSearch_;
    QPushButton *cmdOK_;
    QPushButton *cmdCancel_;
    std::optional<FoundCopy> chosen_;
};

} // namespace kestra
