#pragma once

#include <QString>

namespace kestra {

// The name of a field tag in the record's scheme (type index 0 and 2: the
// Chinese scheme, 1 and 3: MARC 21), from the tables of the two formats;
// empty for a tag neither defines.
QString standardFieldName(int typeIndex, QStringView tag);

} // namespace kestra
