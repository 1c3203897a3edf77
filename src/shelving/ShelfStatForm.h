#pragma once

#include "shelving/ShelfStat.h"

#include <QWidget>
#include <functional>

namespace kestra {

// frmCompactStat (排架号浏览): lvShelf (排架号, 书刊数量), the copies of the
// row double-clicked (spdBookLst), cmdStat (the conditions of
// frmCompactStatSel), cmdPrintShelf, cmdPrintDetail, cmdExit.
class ShelfStatForm : public QWidget {
    Q_OBJECT
public:
    // The conditions dialog; a test gives its own.
    using Chooser = std::function<ShelfStatSettings(const ShelfStatSettings &previous)>;

    explicit ShelfStatForm(AppContext &context, QWidget *parent = nullptr);

    ShelfStat &controller() { return stat_; }
    void setChooser(Chooser chooser) { chooser_ = std::move(chooser); }

Q_SIGNALS:
    void recordWanted(const QString &marcRecNo, const QString &propNo);

private:
    AppContext &context_;
    ShelfStat stat_;
    Chooser chooser_;
};

} // namespace kestra
