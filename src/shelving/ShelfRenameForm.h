#pragma once

#include "shelving/ShelfRename.h"

#include <QWidget>

class QLabel;
class QLineEdit;

namespace kestra {

// frmCompactModifyShelf (修改排架号): txtShelfOld with cmdSearch, the list
// spdBookLst of the shelf's copies with their check marks, cmdAll and
// cmdUnAll, txtShelfNew with cmdModify, cmdExit.
class ShelfRenameForm : public QWidget {
    Q_OBJECT
public:
    explicit ShelfRenameForm(AppContext &context, QWidget *parent = nullptr);

    ShelfRename &controller() { return rename_; }

Q_SIGNALS:
    // A title of the list to be shown in the record window.
    void recordWanted(const QString &marcRecNo, const QString &propNo);

private:
    void showCounts();

    ShelfRename rename_;
    QLineEdit *txtShelfOld_ = nullptr;
    QLineEdit *txtShelfNew_ = nullptr;
    QLabel *lblCount_ = nullptr;
};

} // namespace kestra
