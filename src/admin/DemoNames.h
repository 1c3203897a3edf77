#pragma once

// Names and fixed code lists of the demo library.

#include "marc/DemoRecords.h"

#include <QString>

namespace kestra::demo {

struct Person {
    QString name;
    bool male = true;
    QString department; // a faculty of the university the library serves
};

Person person(DemoRandom &r);

// The copy status names of the item record (the program's fixed list).
QString statusName(const QString &code);

} // namespace kestra::demo
