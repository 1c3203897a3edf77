#include "db/procs/Procedures.h"

namespace kestra {

QString ProcArgs::text(int i) const
{
    const QVariant v = value(i);
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::Double) {
        const double d = v.toDouble();
        if (d == static_cast<double>(static_cast<long long>(d)))
            return QString::number(static_cast<long long>(d));
        return QString::number(d, 'g', 15);
    }
    return v.toString();
}

const ProcedureDef *findProcedure(QStringView name)
{
    for (const QList<ProcedureDef> *family :
         {&coreProcedures(), &itemProcedures(), &readerProcedures(), &statProcedures()}) {
        for (const ProcedureDef &def : *family) {
            if (name.compare(QLatin1String(def.name), Qt::CaseInsensitive) == 0)
                return &def;
        }
    }
    return nullptr;
}

} // namespace kestra
