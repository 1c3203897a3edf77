#pragma once

#include "kit/ScanController.h"
#include "ui/FormParts.h"

#include <QHash>
#include <QWidget>
#include <functional>

class QHBoxLayout;
class QLabel;
class QTableView;
class QToolButton;
class QVBoxLayout;

namespace kestra {

class AppContext;
class CommandBar;
class GridOutput;

// The skeleton every scan form shares, over its controller's scan
// operations: the command bar tbDC with commands bound by key to a function,
// the scan box (txtInputCode with optSelect), the list spdBookLst over the
// controller's rows, the output button cmdOutput, the count label lblCount,
// and the list's signals (a new row scrolls into view, every change counts
// again). A form builds its own controls around these and binds its own
// commands; the shared ones ("Import", "SearchBook", "SelectAll", the undo
// key, "Exit") run the controller's operations of the same names.
class ScanForm : public QWidget {
    Q_OBJECT
public:
    using Handler = std::function<void()>;

    // The copy search behind "SearchBook"; without one the button stays
    // disabled.
    void setCopySearch(CopyPicker search);
    bool hasCopySearch() const { return static_cast<bool>(search_); }

    // Presses a command's key as its button does (the handler bound to it).
    void runCommand(const QString &key);

Q_SIGNALS:
    // After every scan operation, with what it did.
    void scanned(const ScanReport &report);

protected:
    ScanForm(AppContext &context, const QString &name, const QString &title, QWidget *parent);

    // The controller the form is built over (a member of the form, so it is
    // given once it exists): makes the scan box, the list, the output button
    // and the count label. First thing in the form's constructor.
    void attach(ScanController &controller);

    // A button of tbDC and the function its key runs.
    QAction *bind(const QString &key, const QString &caption, Handler handler);
    // The shared commands, in the suite's order: Import, SearchBook, then
    // the form's own (added between), then SelectAll and the undo key.
    void bindImportAndSearch();
    void bindSelectAndUndo(const QString &undoKey, const QString &undoCaption);
    // A split and "Exit".
    void bindExit();

    // Runs one scan operation of the controller: beforeScan, the operation,
    // afterScan and scanned().
    ScanReport scan(const std::function<ScanReport()> &operation);
    // Around every scan operation: a form passes its boxes to the controller
    // before and shows what the controller found after.
    virtual void beforeScan() {}
    virtual void afterScan(const ScanReport &) {}
    // The commands that depend on the form's state (the copy search among
    // them); called when the copy search is set. By default "SearchBook"
    // follows the copy search.
    virtual void showCommands();
    // The list changed (rows in or out, reset): by default the count.
    virtual void listChanged();

    // The layout: tbDC on top, then what the form adds, then the list (or
    // the area holding it) taking the free height, then the count and the
    // output button.
    QVBoxLayout *beginLayout();
    void endLayout(QVBoxLayout *layout, QWidget *listArea = nullptr);

    CommandBar *commandBar() const { return tbDC_; }
    const ScanInput &scanInput() const { return scanInput_; }
    CodeEntry *scanBox() const { return scanInput_.code; }
    QTableView *list() const { return spdBookLst_; }
    QLabel *countLabel() const { return lblCount_; }
    GridOutput *output() const { return output_; }
    const CopyPicker &copySearch() const { return search_; }
    ScanController &scanController() { return *controller_; }

private:
    AppContext &context_;
    ScanController *controller_ = nullptr;
    CopyPicker search_;
    CommandBar *tbDC_ = nullptr;
    ScanInput scanInput_{};
    QTableView *spdBookLst_ = nullptr;
    GridOutput *output_ = nullptr;
    QToolButton *cmdOutput_ = nullptr;
    QLabel *lblCount_ = nullptr;
    QHash<QString, Handler> handlers_;
};

} // namespace kestra
