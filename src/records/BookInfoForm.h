#pragma once

#include "records/BookInfo.h"
#include "ui/FormRegistry.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QTabBar;
class QTableView;

namespace kestra {

class GridOutput;
class UserSettingsStore;

// frmBookInfo (书刊信息查询): the widgets over BookInfo. Controls keep the
// suite's names: the quick search cboQuickSearch (its last choice kept in
// the per-user setting QuickList of section Settings), txtQuickSearch and
// cmdQuickSearch; chkOnly; the loan-period choices cboLendPeriod
// (借阅时间范围) and cboReturnPeriod (还书时间范围); the record line lblTitle; the tab strip
// tbsBookInfo (each tab's key as its data) over the grid vsInfo, which
// exports and prints through its context menu and cmdOutput.
//
// Arguments: marcRecNo (the record), optionally propNo (the copy to show
// first, whose accession number chkOnly restricts the copy tabs to) or
// barCode. A window already open is re-targeted to the new record.
class BookInfoForm : public QWidget, public FormTarget {
    Q_OBJECT
public:
    BookInfoForm(AppContext &context, UserSettingsStore &settings, QWidget *parent = nullptr);

    void setArguments(const FormArgs &args) override;

    BookInfo &controller() { return info_; }
    // Shows a tab by key.
    void showTab(const QString &key);

private:
    QWidget *buildSearchRow();
    QHBoxLayout *buildFilterRow();
    void runQuickSearch();
    void recordChanged();
    void currentTabChanged(int index);

    BookInfo info_;
    UserSettingsStore &settings_;
    QComboBox *cboQuickSearch_ = nullptr;
    QLineEdit *txtQuickSearch_ = nullptr;
    QCheckBox *chkOnly_ = nullptr;
    QLabel *lblTitle_ = nullptr;
    QTabBar *tbsBookInfo_ = nullptr;
    QTableView *vsInfo_ = nullptr;
    GridOutput *output_ = nullptr;
};

} // namespace kestra
