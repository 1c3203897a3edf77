#include "stats/NewBookList.h"

namespace kestra {

NewBookList::NewBookList(AppContext &context)
    : context_(context),
      model_({{QStringLiteral("财产号"), QStringLiteral("prop_no")},
              {QStringLiteral("条码号"), QStringLiteral("bar_code")},
              {QStringLiteral("索书号"), QStringLiteral("call_no")},
              {QStringLiteral("题名"), QStringLiteral("m_title")},
              {QStringLiteral("责任者"), QStringLiteral("m_author")},
              {QStringLiteral("出版社"), QStringLiteral("m_publisher")},
              {QStringLiteral("馆藏地"), QStringLiteral("dis_location"), query_format::location(context)},
              {QStringLiteral("价格"), QStringLiteral("price"), query_format::money(), true},
              {QStringLiteral("入藏日期"), QStringLiteral("in_date")},
              {QStringLiteral("交接批次"), QStringLiteral("move_batch")},
              {QStringLiteral("记录号"), QStringLiteral("marc_rec_no")}})
{}

QString NewBookList::sql(const IntakeConditions &c) const
{
    return QStringLiteral("SELECT indi_acct.prop_no, indi_acct.bar_code, indi_acct.call_no, marc.m_title, "
                          "marc.m_author, marc.m_publisher, indi_acct.dis_location, indi_acct.price, "
                          "indi_acct.in_date, indi_acct.move_batch, indi_acct.marc_rec_no FROM indi_acct, marc "
                          "WHERE indi_acct.marc_rec_no = marc.marc_rec_no") +
           intake_filter::intakeSql(c) + intake_filter::locationSql(c.locations) +
           QStringLiteral(" ORDER BY indi_acct.call_no, indi_acct.prop_no");
}

int NewBookList::load(const IntakeConditions &conditions)
{
    return model_.load(context_, sql(conditions));
}

} // namespace kestra
