#pragma once

#include "shelving/VirtualShelf.h"

#include <QDialog>

class QLineEdit;
class QTextEdit;

namespace kestra {

// frmVirtualShelfClass (书架-新增 / 书架-修改): txtCode (read only),
// txtName, txtRemark, cmdOK, cmdCancel. OK saves through the virtual-shelf
// controller and closes only when the shelf was saved.
class VirtualShelfClassDialog : public QDialog {
    Q_OBJECT
public:
    VirtualShelfClassDialog(VirtualShelf &shelves, const ShelfClass &shelf, bool isNew, QWidget *parent = nullptr);

    void accept() override;

private:
    VirtualShelf &shelves_;
    ShelfClass shelf_;
    bool isNew_;
    QLineEdit *txtName_ = nullptr;
    QTextEdit *txtRemark_ = nullptr;
};

} // namespace kestra
