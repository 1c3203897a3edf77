#pragma once

#include "items/Transfer.h"

#include <QStringList>

namespace kestra {

class AppContext;

// The transfer of a whole location (optionally one document type) by a few
// set-based statements in one transaction: the reservations and loans of
// the copies follow them, the history rows of the transfer batch and one
// operation-log row per copy are inserted set-wise, and the lendable count
// of every title whose copies move is recounted. It cannot be undone.
class LocationTransfer {
public:
    explicit LocationTransfer(AppContext &context) : context_(context) {}

    // Checks, asks "按地调拨不可恢复，是否继续？", counts and moves. The number
    // of copies moved; 0 when refused, declined or none was found; -1 when a
    // statement failed (everything rolled back, the error shown).
    int run(const TransferPlan &plan);

    // What a run writes besides the plan: the server's date and time, the
    // operator, the workstation, the name of the operator's location and the
    // operation-log text.
    struct Stamp {
        QString date;
        QString time;
        QString operatorNo;
        QString computer;
        QString locationName;
        QString logText;
    };
    // The statements of a run, in their order.
    static QStringList statements(const TransferPlan &plan, const Stamp &stamp);

private:
    AppContext &context_;
};

} // namespace kestra
