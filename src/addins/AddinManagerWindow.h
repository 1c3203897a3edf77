#pragma once

#include <QWidget>

class QTableWidget;
class QPushButton;

namespace kestra {

class AddinsCollection;

// frmAddinManager: the add-ins of this run with their icon, version,
// provider and description, their settings command, and the removal mark. An add-in marked for removal keeps
// working until the program ends; its folder is deleted then.
class AddinManagerWindow : public QWidget {
    Q_OBJECT
public:
    explicit AddinManagerWindow(AddinsCollection &addins, QWidget *parent = nullptr);

    // Marks or unmarks the add-in of a row, as the button does.
    void toggleRemoval(int row);

private:
    void fill();

    AddinsCollection &addins_;
    QTableWidget *spdAddinLst_;
    QPushButton *cmdRemove_;
    QPushButton *cmdOption_;
};

} // namespace kestra
