#pragma once

#include "shelving/ShelfStat.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace kestra {

// frmCompactStatSel (排架号统计条件): the mode (optMode: 0 per shelf, 1 one
// total row), the restriction (chkShelf with optMatch: 0 exact, 1 prefix,
// 2 substring, and txtShelf), cmdOK and cmdCancel.
class ShelfStatSelDialog : public QDialog {
    Q_OBJECT
public:
    ShelfStatSelDialog(AppContext &context, const ShelfStatSettings &start, QWidget *parent = nullptr);

    // The settings as the dialog shows them (run stays false until OK).
    ShelfStatSettings settings() const;
    // What the person chose; run is false when cancelled.
    const ShelfStatSettings &result() const { return result_; }

    void accept() override;

private:
    AppContext &context_;
    QButtonGroup *optMode_ = nullptr;
    QButtonGroup *optMatch_ = nullptr;
    QCheckBox *chkShelf_ = nullptr;
    QLineEdit *txtShelf_ = nullptr;
    ShelfStatSettings result_;
};

} // namespace kestra
