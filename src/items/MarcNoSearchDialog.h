#pragma once

#include "items/MarcNoSearch.h"

#include <QDialog>
#include <QStringList>
#include <optional>

class QComboBox;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace kestra {

class AppContext;
class SearchRowsWidget;

// frmMarcNoSeekN: the modal record-number search. The index family
// (optMarc, optAsord, optAuMarc), the restriction cboLimit, five condition
// rows, cmdSearch, cboHistory, the grid spdMarcLst (several rows may be
// chosen), cmdOK and cmdCancel.
class MarcNoSearchDialog : public QDialog {
    Q_OBJECT
public:
    MarcNoSearchDialog(AppContext &context, MarcNoSearch &search, QWidget *parent = nullptr);

    // The record numbers of the chosen rows (at least the current one),
    // nothing on Cancel or when the index groups cannot be loaded.
    static std::optional<QStringList> run(AppContext &context, QWidget *parent = nullptr);

    const QStringList &chosen() const { return chosen_; }
    MarcNoSearch::Family family() const;
    MarcNoSearch::Restriction restriction() const;

    void clickSearch();
    void clickOK();
    void chooseHistory(int entry);

private:
    void familyChanged();
    void showRecords();
    void showHistory();

    AppContext &context_;
    MarcNoSearch &search_;
    QRadioButton *optMarc_;
    QRadioButton *optAsord_;
    QRadioButton *optAuMarc_;
    QComboBox *cboLimit_;
    SearchRowsWidget *rows_;
    QComboBox *cboHistory_;
    QTableWidget *spdMarcLst_;
    QPushButton *cmdSearch_;
    QPushButton *cmdOK_;
    QPushButton *cmdCancel_;
    QStringList chosen_;
};

} // namespace kestra
