#include "kit/CopyColumns.h"

#include "kit/CellText.h"

#include "copies/ItemCodes.h"
#include "core/AppContext.h"

namespace kestra {

QString copyHeading(CopyField field)
{
    switch (field) {
    case CopyField::PropNo:
        return QStringLiteral("财产号");
    case CopyField::BarCode:
        return QStringLiteral("条码号");
    case CopyField::Title:
        return QStringLiteral("题名");
    case CopyField::Author:
        return QStringLiteral("责任者");
    case CopyField::Publisher:
        return QStringLiteral("出版社");
    case CopyField::CallNo:
        return QStringLiteral("索书号");
    case CopyField::Location:
        return QStringLiteral("馆藏地");
    case CopyField::Status:
        return QStringLiteral("书刊状态");
    case CopyField::Price:
        return QStringLiteral("价格");
    case CopyField::YearVolume:
        return QStringLiteral("年卷期");
    case CopyField::InDate:
        return QStringLiteral("入藏日期");
    case CopyField::Attachment:
        return QStringLiteral("附件");
    case CopyField::MarcRecNo:
        return QStringLiteral("记录号");
    case CopyField::OpacFlag:
        return QStringLiteral("OPAC显示");
    }
    return {};
}

QString copyText(AppContext &context, const ItemRow &row, CopyField field)
{
    switch (field) {
    case CopyField::PropNo:
        return row.propNo;
    case CopyField::BarCode:
        return row.barCode;
    case CopyField::Title:
        return row.title;
    case CopyField::Author:
        return row.author;
    case CopyField::Publisher:
        return row.publisher;
    case CopyField::CallNo:
        return row.callNo;
    case CopyField::Location:
        return cell::location(context, row.disLocation);
    case CopyField::Status:
        return cell::status(row.status);
    case CopyField::Price:
        return cell::price(row.price);
    case CopyField::YearVolume:
        return row.yearVolume;
    case CopyField::InDate:
        return row.inDate;
    case CopyField::Attachment:
        return row.attachment;
    case CopyField::MarcRecNo:
        return row.marcRecNo;
    case CopyField::OpacFlag:
        return cell::flag(row.opacFlag);
    }
    return {};
}

Column<ItemRow> copyColumn(AppContext &context, CopyField field)
{
    return Column<ItemRow>{copyHeading(field),
                           [&context, field](const ItemRow &row) { return copyText(context, row, field); },
                           field == CopyField::Price};
}

QList<Column<ItemRow>> copyColumns(AppContext &context, const QList<CopyField> &fields)
{
    QList<Column<ItemRow>> list;
    for (CopyField f : fields)
        list.append(copyColumn(context, f));
    return list;
}

QList<CopyField> lookupFields()
{
    return {CopyField::PropNo, CopyField::BarCode,  CopyField::Title, CopyField::Author,    CopyField::Publisher,
            CopyField::CallNo, CopyField::Location, CopyField::Price, CopyField::YearVolume};
}

} // namespace kestra
