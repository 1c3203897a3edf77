#include "kit/TitleCopies.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "kit/CopyColumns.h"

namespace kestra {

TitleCopies::TitleCopies(AppContext &context)
    : context_(context),
      copies_(copyColumns(context, {CopyField::PropNo, CopyField::BarCode, CopyField::Location, CopyField::Status,
                                    CopyField::CallNo, CopyField::Price, CopyField::InDate, CopyField::Attachment}),
              false)
{}

int TitleCopies::show(const QString &marcRecNo)
{
    if (marcRecNo.isEmpty()) {
        copies_.reset();
        return 0;
    }
    const QString sql = QStringLiteral(" SELECT indi_acct.marc_rec_no, indi_acct.prop_no, indi_acct.bar_code, "
                                       "indi_acct.dis_location, indi_acct.book_stat_code, indi_acct.call_no, "
                                       "indi_acct.price, indi_acct.in_date, indi_acct.attachment FROM indi_acct "
                                       " WHERE indi_acct.marc_rec_no = ") +
                        sqlQuote(marcRecNo) + QStringLiteral(" ORDER BY indi_acct.prop_no");
    QueryResult copies;
    if (context_.db().query(sql, copies) < 0) {
        context_.db().showDbError();
        return -1;
    }
    const int found = copies.rowCount();
    QList<ItemRow> list;
    list.reserve(found);
    for (int i = 0; i < found; ++i) {
        ItemRow r;
        r.marcRecNo = copies.text(i, 0);
        r.propNo = copies.text(i, 1);
        r.barCode = copies.text(i, 2);
        r.disLocation = copies.text(i, 3);
        r.status = copies.text(i, 4);
        r.callNo = copies.text(i, 5);
        r.price = copies.number(i, 6);
        r.inDate = copies.text(i, 7);
        r.attachment = copies.text(i, 8);
        list.append(std::move(r));
    }
    copies_.reset(std::move(list));
    return found;
}

} // namespace kestra
