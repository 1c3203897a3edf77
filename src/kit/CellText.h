#pragma once

#include <QString>

namespace kestra {

class AppContext;

// The texts of a cell, made the same way in every grid and list: names,
// never codes; prices with two decimals; 是 and 否.
namespace cell {

QString location(AppContext &context, const QString &code); // the code itself when it has no name
QString status(const QString &code);                        // likewise
QString staff(AppContext &context, const QString &code);    // a worker's name; likewise
QString price(double value);
QString yesNo(bool on);
QString flag(const QString &value); // "1" 是, anything else 否

} // namespace cell

} // namespace kestra
