#pragma once

#include "shelving/VirtualShelf.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QTreeView;

namespace kestra {

// frmVirtualShelf (公共书架): the shelf tree trvClass with cmdAddClass,
// cmdEditClass, cmdDelClass, cmdUpClass, cmdDownClass; the chosen shelf's
// titles spdBook with cmdUpBook, cmdDownBook, cmdRemove, cmdRemark; the
// catalogue search cboType, txtContent, cmdSearch, spdSearch and cmdAdd.
// A title double-clicked in either list is asked for in the record window.
class VirtualShelfForm : public QWidget {
    Q_OBJECT
public:
    explicit VirtualShelfForm(AppContext &context, QWidget *parent = nullptr);

    VirtualShelf &controller() { return shelves_; }

Q_SIGNALS:
    void recordWanted(const QString &marcRecNo);

private:
    QWidget *buildTreePane();
    QWidget *buildTitlePane();
    QWidget *buildSearchPane();
    // The shelf of the current tree node; empty for the root.
    QString currentId();
    void editShelf(bool isNew);
    void reloadTree(const QString &keepId);
    void chooseNode();

    VirtualShelf shelves_;
    QTreeView *trvClass_ = nullptr;
    QComboBox *cboType_ = nullptr;
    QLineEdit *txtContent_ = nullptr;
};

} // namespace kestra
