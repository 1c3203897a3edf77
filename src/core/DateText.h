#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace kestra {

// The suite's lenient date reader. Accepts "." "-" "/" (and 年 月 日) as
// separators, Minguo-era years ("民国89.5.1" is 2000-05-01), two-digit years
// (00-49 are 2000-2049, 50-99 are 1950-1999), "yyyymmdd", a year and month
// without a day (the 1st), and an optional time "hh:mm[:ss]".
std::optional<QDateTime> parseDateText(const QString &value);

// FormatDateText: the date formatted with a pattern in the suite's notation
// ("yyyy-mm-dd", "yyyy/mm", "hh:nn:ss", "mm" after "hh" meaning minutes),
// cut to the pattern's length. A value that is not a date comes back as it
// was given.
QString formatDateText(const QString &value, const QString &pattern);

} // namespace kestra
