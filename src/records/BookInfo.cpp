#include "records/BookInfo.h"

#include "copies/ItemCodes.h"
#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "core/Session.h"
#include "marc/BibParams.h"
#include "marc/BibStore.h"
#include "marc/MarcDump.h"
#include "marc/MarcText.h"
#include "records/BookInfoSql.h"

#include <QDate>
#include <QHash>

namespace kestra {

namespace {

using Format = std::function<QString(const QString &)>;

// A code shown by its name in one of the loaded code tables; the code
// itself when the table has no name for it.
Format codeNameIn(AppContext &context, CodeCache cache)
{
    return [&context, cache](const QString &code) {
        if (code.isEmpty())
            return code;
        CodeTables &codes = context.codes();
        if (!codes.isLoaded(cache))
            codes.load(cache);
        const QString name = codes.name(cache, code);
        return name.isEmpty() ? code : name;
    };
}

Format lendFlagName()
{
    return [](const QString &code) { return lend_flag::name(code); };
}

Format dealTypeName()
{
    return [](const QString &code) {
        const QString name = deal_type::name(code);
        return name.isEmpty() ? code : name;
    };
}

Format batchStateName()
{
    return [](const QString &flag) {
        if (flag.isEmpty())
            return flag;
        return flag.trimmed() == QLatin1String("0") ? QStringLiteral("处理中") : QStringLiteral("处理结束");
    };
}

// The copy and reader columns that most circulation tabs begin with.
QList<QueryColumn> copyAndReader(AppContext &context)
{
    return {{QStringLiteral("索书号"), QStringLiteral("call_no")},
            {QStringLiteral("财产号"), QStringLiteral("prop_no")},
            {QStringLiteral("条码号"), QStringLiteral("bar_code")},
            {QStringLiteral("馆藏地"), QStringLiteral("location"), query_format::location(context)},
            {QStringLiteral("证号"), QStringLiteral("cert_id")},
            {QStringLiteral("读者"), QStringLiteral("name")}};
}

// The columns of every grid tab, by key.
QHash<QString, QList<QueryColumn>> tabColumns(AppContext &context)
{
    const Format money = query_format::money();
    const Format status = query_format::status();
    const Format flag = query_format::flag();
    const Format location = query_format::location(context);
    const Format staff = query_format::staff(context);
    auto c = [](const char *heading, const char *field, Format format = {}, bool number = false) {
        return QueryColumn{QString::fromUtf8(heading), QString::fromLatin1(field), std::move(format), number};
    };
    auto n = [&c](const char *heading, const char *field) { return c(heading, field, {}, true); };
    auto m = [&c, &money](const char *heading, const char *field) { return c(heading, field, money, true); };
    const QList<QueryColumn> reader = copyAndReader(context);

    QHash<QString, QList<QueryColumn>> out;
    out.insert(QStringLiteral("BaseInfo"),
               {c("索书号", "call_no"), c("流通类型", "circ_type_code", codeNameIn(context, CodeCache::CircTypes)),
                c("借阅等级", "lend_grd", codeNameIn(context, CodeCache::LendGrades)),
                c("分类法", "cls_id", codeNameIn(context, CodeCache::ClassSchemes)), n("年借阅", "year_circ_times"),
                n("总借阅", "total_circ_times"), n("年阅览", "year_read_times"), n("总阅览", "total_read_times"),
                n("年预约", "year_preg_times"), n("总预约", "total_preg_times"),
                c("书刊状态", "book_stat_code", status), c("流通状态", "book_lend_flag", lendFlagName())});
    out.insert(QStringLiteral("CallNoInfo"), {c("索书号", "call_no"),
                                              c("财产号", "prop_no"),
                                              c("条码号", "bar_code"),
                                              c("馆藏地", "dis_location", location),
                                              c("所在地", "cur_loca", location),
                                              c("年代", "year"),
                                              c("卷期", "vol_peri"),
                                              c("书刊状态", "book_stat_code", status),
                                              c("流通状态", "book_lend_flag", lendFlagName()),
                                              m("价格", "price"),
                                              c("载体", "carrier_code", codeNameIn(context, CodeCache::Carriers)),
                                              c("附件", "attachment"),
                                              c("架位号", "shelf_no"),
                                              c("入藏日期", "in_date"),
                                              n("年借阅", "year_circ_times"),
                                              n("总借阅", "total_circ_times"),
                                              c("首次借阅", "fst_use_date"),
                                              c("最近借阅", "last_use_date"),
                                              c("状态修改日期", "rec_flag_upt_date"),
                                              c("操作员", "resp_wkr", staff),
                                              c("备注", "remark")});
    out.insert(QStringLiteral("LendInfo"),
               reader + QList<QueryColumn>{c("单位", "dept"), c("职业", "occupation"), c("借书日期", "lend_date"),
                                           c("应还日期", "norm_ret_date"), c("续借日期", "renew_date"),
                                           n("续借次数", "renew_times"), c("催还日期", "asback_date"),
                                           n("催还次数", "asback_times"), c("附件", "attachment"),
                                           c("操作员", "resp_wkr", staff), c("规则", "rule_no_f"),
                                           c("读者代码", "code08"), c("自助借书", "pda_flag", flag)});
    out.insert(QStringLiteral("LendHistory"),
               reader + QList<QueryColumn>{c("单位", "dept"), c("借书日期", "lend_date"), c("还书日期", "ret_date"),
                                           n("超期天数", "excd_days"), c("续借日期", "renew_date"),
                                           n("续借次数", "renew_times"), c("催还日期", "asback_date"),
                                           n("催还次数", "asback_times"), c("借出操作员", "resp_wkr", staff),
                                           c("还书操作员", "ret_wkr", staff), c("代码1", "code1"), c("代码2", "code2"),
                                           c("附件", "attachment"), c("预约", "preg_flag", flag),
                                           c("委托", "rele_flag", flag), c("复本", "copy_flag", flag),
                                           c("规则", "rule_no_f"), c("自助借书", "pda_flag", flag)});
    out.insert(QStringLiteral("PregInfo"),
               {c("索书号", "call_no"), c("馆藏地", "location", location), c("预约日期", "preg_date"),
                c("截止日期", "preg_end_date"), n("保留天数", "preg_keep_days"), c("证号", "cert_id"),
                c("读者", "name"), c("预约号", "preg_no"), c("取书地点", "take_location", location),
                c("送书地址", "preg_send_addr"), c("送书时间", "send_time"), c("取书校区", "take_campus"),
                c("预约状态", "preg_flag")});
    out.insert(QStringLiteral("PregArri"),
               reader + QList<QueryColumn>{c("到馆日期", "preg_arri_date"), c("通知日期", "noti_send_date"),
                                           c("保留截止", "keep_end_date"), n("保留天数", "preg_keep_days"),
                                           c("取书地点", "take_location", location), c("送书地址", "preg_send_addr"),
                                           c("送书时间", "send_time"), c("取书校区", "take_campus"),
                                           c("处理", "pregarri_deal_flag", flag), c("已取", "take_flag", flag),
                                           c("操作员", "resp_wkr", staff)});
    out.insert(QStringLiteral("LostInfo"),
               reader + QList<QueryColumn>{c("赔偿日期", "recoup_date"), m("原价", "src_price"),
                                           m("加工费", "tech_fee"), m("手续费", "serv_fee"),
                                           m("实收金额", "real_recoup_amt"), c("票据号", "bill_no"),
                                           c("赔偿方式", "recoup_type"), c("已赔偿", "recoup_flag", flag),
                                           c("操作员", "resp_wkr", staff), c("备注", "remark")});
    out.insert(QStringLiteral("VoltInfo"),
               reader + QList<QueryColumn>{c("违章", "volt_code", codeNameIn(context, CodeCache::Violations)),
                                           c("处罚日期", "punish_date"), m("实收罚款", "real_fine_amt"),
                                           c("票据号", "bill_no"), c("交款日期", "fine_date"),
                                           c("冻结截止", "froz_end_date"), c("已处理", "volt_deal_flag", flag),
                                           c("操作员", "resp_wkr", staff), c("备注", "remark")});
    out.insert(QStringLiteral("OperateInfo"),
               {c("索书号", "call_no"), c("财产号", "prop_no"), c("条码号", "bar_code"),
                c("馆藏地", "dis_location", location), c("处理类型", "deal_type_code", dealTypeName()),
                c("处理批次", "deal_batch_no"), c("批次状态", "deal_stat_flag", batchStateName()),
                c("处理日期", "log_date"), c("原状态", "source_state", status), m("费用", "fee"),
                c("去向", "book_target"), c("操作员", "resp_wkr", staff), c("备注", "remark")});
    out.insert(QStringLiteral("AdjustInfo"),
               {c("索书号", "call_no"), c("财产号", "prop_no"), c("条码号", "bar_code"), c("调拨日期", "deal_date"),
                c("调拨批次", "batch_no"), c("调出馆藏地", "src_loca", location), c("调入馆藏地", "dst_loca", location),
                c("原状态", "src_book_stat", status), c("新状态", "dst_book_stat", status),
                c("操作员", "wkr_no", staff), c("说明", "remark")});
    out.insert(QStringLiteral("ExceedInfo"),
               reader + QList<QueryColumn>{
                            c("借书日期", "lend_date"), c("还书日期", "ret_date"), c("应还日期", "norm_ret_date"),
                            n("超期天数", "excd_days"), m("应收罚款", "fine_amt"), m("实收罚款", "real_fine_amt"),
                            c("票据号", "bill_no"), c("交款日期", "fine_date"), c("欠款处理", "debt_deal_flag", flag),
                            c("操作员", "resp_wkr", staff), c("备注", "remark"), c("计时单位", "time_unit")});
    out.insert(QStringLiteral("ArriInfo"),
               {c("索书号", "call_no"), c("财产号", "prop_no"), c("条码号", "bar_code"),
                c("馆藏地", "location", location), c("年代", "year"), c("卷期", "vol_peri"),
                c("书刊状态", "book_stat_code", status), c("流通状态", "book_lend_flag", lendFlagName()),
                m("价格", "price"), c("载体", "carrier_code", codeNameIn(context, CodeCache::Carriers)),
                c("附件", "attachment"), c("入藏日期", "in_date"), c("状态修改日期", "rec_flag_upt_date"),
                c("操作员", "resp_wkr", staff)});
    out.insert(QStringLiteral("ReleInfo"),
               {c("索书号", "call_no"), c("馆藏地", "location", location), c("委托日期", "relegate_date"),
                c("截止日期", "relegate_end_date"), c("证号", "cert_id"), c("读者", "name"), c("委托号", "relegate_no"),
                c("取书地点", "take_location", location), c("委托状态", "rele_flag"), c("操作员", "resp_wkr", staff),
                c("备注", "remark")});
    out.insert(QStringLiteral("ReleArri"),
               reader + QList<QueryColumn>{c("委托号", "relegate_no"), c("到馆日期", "relegate_arri_date"),
                                           c("保留截止", "keep_end_date"), c("取书地点", "take_location", location),
                                           c("已处理", "deal_flag", flag), c("操作员", "resp_wkr", staff)});
    out.insert(QStringLiteral("Transport"),
               {c("财产号", "prop_no"), c("条码号", "bar_code"), c("传送批次", "batch_no"), c("状态", "book_flag"),
                c("发送日期", "send_date"), c("发送人", "send_oper", staff), c("发送地点", "send_loca", location),
                c("接收日期", "rece_date"), c("接收人", "rece_oper", staff), c("接收地点", "rece_loca", location),
                c("源校区", "source_campus"), c("目的校区", "target_campus"), c("批次类型", "batch_type"),
                c("批次状态", "batch_flag")});
    return out;
}

Column<RecordLine> lineColumn(const char *heading, QString RecordLine::*member)
{
    return {QString::fromUtf8(heading), [member](const RecordLine &l) { return l.*member; }};
}

} // namespace

struct BookInfo::Models {
    QHash<QString, std::shared_ptr<QueryModel>> grids;
    RowModel<RecordLine> marc{{lineColumn("字段", &RecordLine::label), lineColumn("内容", &RecordLine::text)}, false};
    RowModel<RecordLine> simple{{lineColumn("项目", &RecordLine::label), lineColumn("内容", &RecordLine::text)}, false};
};

BookInfo::BookInfo(AppContext &context) : context_(context), models_(std::make_unique<Models>())
{
    const QHash<QString, QList<QueryColumn>> columns = tabColumns(context);
    for (auto it = columns.begin(); it != columns.end(); ++it)
        models_->grids.insert(it.key(), std::make_shared<QueryModel>(it.value()));
}

BookInfo::~BookInfo() = default;

const QList<InfoTab> &BookInfo::tabs()
{
    static const QList<InfoTab> list{
        {QStringLiteral("BaseInfo"), QStringLiteral("基本信息"), false},
        {QStringLiteral("CallNoInfo"), QStringLiteral("馆藏情况"), true},
        {QStringLiteral("LendInfo"), QStringLiteral("借阅信息"), true},
        {QStringLiteral("LendHistory"), QStringLiteral("借阅历史"), true},
        {QStringLiteral("PregInfo"), QStringLiteral("预约情况"), false},
        {QStringLiteral("PregArri"), QStringLiteral("预约到馆"), true},
        {QStringLiteral("LostInfo"), QStringLiteral("遗失赔偿"), true},
        {QStringLiteral("VoltInfo"), QStringLiteral("使用违章"), true},
        {QStringLiteral("OperateInfo"), QStringLiteral("处理情况"), true},
        {QStringLiteral("AdjustInfo"), QStringLiteral("调拨情况"), true},
        {QStringLiteral("ExceedInfo"), QStringLiteral("超期违约"), true},
        {QStringLiteral("ArriInfo"), QStringLiteral("即将到馆"), true},
        {QStringLiteral("MarcInfo"), QStringLiteral("MARC信息"), false},
        {QStringLiteral("Simple"), QStringLiteral("简要信息"), false},
        {QStringLiteral("ReleInfo"), QStringLiteral("委托请求"), false},
        {QStringLiteral("ReleArri"), QStringLiteral("委托到馆"), true},
        {QStringLiteral("Transport"), QStringLiteral("校区传送"), true},
    };
    return list;
}

const InfoTab *BookInfo::tab(const QString &key)
{
    for (const InfoTab &t : tabs()) {
        if (t.key == key)
            return &t;
    }
    return nullptr;
}

BookInfo::Opened BookInfo::open(const QString &marcRecNo, const QString &propNo, const QString &barCode)
{
    Session &db = context_.db();
    QString record = marcRecNo.trimmed();
    QueryResult rows;
    if (record.isEmpty() && (!propNo.isEmpty() || !barCode.isEmpty())) {
        const QString sql = QStringLiteral("SELECT marc_rec_no FROM indi_acct WHERE ") +
                            (propNo.isEmpty() ? QStringLiteral("bar_code = ") + sqlQuote(barCode)
                                              : QStringLiteral("prop_no = ") + sqlQuote(propNo));
        if (db.query(sql, rows) < 0) {
            db.showDbError();
            return Opened::Failed;
        }
        record = rows.rowCount() > 0 ? rows.text(0, 0) : QString();
    }
    if (record.isEmpty()) {
        context_.showMsg(QStringLiteral("E该记录号不存在"));
        return Opened::NotFound;
    }
    if (db.query(book_info_sql::summary(record), rows) < 0) {
        db.showDbError();
        return Opened::Failed;
    }
    if (rows.rowCount() == 0) {
        context_.showMsg(QStringLiteral("E该记录号不存在：") + record);
        return Opened::NotFound;
    }
    marcRecNo_ = record;
    propNo_ = propNo.trimmed();
    barCode_ = propNo_.isEmpty() ? barCode.trimmed() : QString();
    summary_ = std::move(rows);
    clearTabs();
    return Opened::Shown;
}

QString BookInfo::summary(const QString &column) const
{
    const int at = summary_.columnIndex(column);
    return at >= 0 && summary_.rowCount() > 0 ? summary_.text(0, at) : QString();
}

QString BookInfo::onlyCaption() const
{
    return barCode_.isEmpty() ? QStringLiteral("仅显示本财产相关流通信息") : QStringLiteral("仅显示本条码相关流通信息");
}

QString BookInfo::tabSql(const QString &key) const
{
    if (marcRecNo_.isEmpty())
        return QString();
    const InfoTab *t = tab(key);
    book_info_sql::CopyFilter filter;
    if (t != nullptr && t->copyLevel && only_ && hasCopy()) {
        filter.propNo = propNo_;
        filter.barCode = barCode_;
    }
    return book_info_sql::tab(key, marcRecNo_, filter, period_);
}

const QList<PeriodChoice> &BookInfo::periodChoices()
{
    static const QList<PeriodChoice> choices{{QStringLiteral("全部"), 0},       {QStringLiteral("最近一个月"), 1},
                                             {QStringLiteral("最近三个月"), 3}, {QStringLiteral("最近半年"), 6},
                                             {QStringLiteral("最近一年"), 12},  {QStringLiteral("最近三年"), 36}};
    return choices;
}

QString BookInfo::monthsBack(int months)
{
    if (months <= 0)
        return QString();
    // The server's day, as every date the loans carry; this workstation's
    // when the server cannot say.
    QDate today = QDate::fromString(context_.db().serverDate().left(10), Qt::ISODate);
    if (!today.isValid())
        today = QDate::currentDate();
    return today.addMonths(-months).toString(Qt::ISODate);
}

void BookInfo::setLendPeriod(int months)
{
    period_.lentSince = monthsBack(months);
}

void BookInfo::setReturnPeriod(int months)
{
    period_.returnedSince = monthsBack(months);
}

int BookInfo::loadTab(const QString &key)
{
    if (key == u"MarcInfo" || key == u"Simple")
        return loadLines(key);
    auto it = models_->grids.find(key);
    if (it == models_->grids.end())
        return -1;
    const QString sql = tabSql(key);
    if (sql.isEmpty()) {
        it.value()->reset(QueryResult());
        return 0;
    }
    return it.value()->load(context_, sql);
}

RowModelBase &BookInfo::model(const QString &key)
{
    if (key == u"MarcInfo")
        return models_->marc;
    if (key == u"Simple")
        return models_->simple;
    auto it = models_->grids.find(key);
    return it != models_->grids.end() ? static_cast<RowModelBase &>(*it.value()) : models_->simple;
}

QueryModel *BookInfo::queryModel(const QString &key)
{
    return models_->grids.value(key).get();
}

void BookInfo::clearTabs()
{
    for (const auto &grid : std::as_const(models_->grids))
        grid->reset(QueryResult());
    models_->marc.reset();
    models_->simple.reset();
}

int BookInfo::loadLines(const QString &key)
{
    QList<RecordLine> lines;
    if (marcRecNo_.isEmpty()) {
        (key == u"MarcInfo" ? models_->marc : models_->simple).reset();
        return 0;
    }
    if (key == u"Simple") {
        const QList<std::pair<const char *, const char *>> items{
            {"记录号", "marc_rec_no"}, {"题名", "m_title"},       {"责任者", "m_author"},
            {"出版者", "m_publisher"}, {"出版年", "m_pub_year"},  {"ISBN/ISSN", "m_isbn"},
            {"分类号", "m_classno"},   {"索书号", "m_call_no"},   {"文献类型", "doc_type_code"},
            {"语种", "lang_code"},     {"复本数", "copies"},      {"可借复本", "lendable_copies"},
            {"编目员", "cata_oper"},   {"编目日期", "cata_date"},
        };
        for (const auto &[label, column] : items) {
            QString text = summary(QString::fromLatin1(column));
            if (QLatin1String(column) == QLatin1String("doc_type_code"))
                text = codeNameIn(context_, CodeCache::DocTypes)(text);
            else if (QLatin1String(column) == QLatin1String("lang_code"))
                text = codeNameIn(context_, CodeCache::Languages)(text);
            lines.append(RecordLine{QString::fromUtf8(label), text});
        }
        models_->simple.reset(std::move(lines));
        return 0;
    }
    const BibRecord record = readBibRecord(context_.db(), marcRecNo_, MarcCodec(context_.codePage()));
    if (record.isBlank()) {
        models_->marc.reset();
        return 0;
    }
    QByteArray dump;
    appendDumpLines(record, dump, false);
    const QStringList text = QString::fromUtf8(dump).split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i == 0)
            lines.append(RecordLine{QStringLiteral("头标"), text.at(i)});
        else
            lines.append(RecordLine{text.at(i).left(3), text.at(i).mid(3).trimmed()});
    }
    models_->marc.reset(std::move(lines));
    return 0;
}

QList<QuickIndex> BookInfo::quickIndexes()
{
    QList<QuickIndex> out;
    BibParams &params = context_.cache<BibParams>();
    if (params.retrievalGroups.groupCount() == 0 &&
        loadBibParams(context_.db(), context_.folders(), context_.codePage(), params) < 0)
        context_.db().showDbError();
    for (int g = 0; g < params.retrievalGroups.groupCount(); ++g) {
        const IndexGroupCell *cell = params.retrievalGroups.cell(g, 0);
        if (cell == nullptr)
            cell = params.retrievalGroups.cell(g, 1);
        if (cell != nullptr)
            out.append(QuickIndex{g, cell->name});
    }
    out.append(QuickIndex{91, QStringLiteral("条码号")});
    out.append(QuickIndex{92, QStringLiteral("财产号")});
    out.append(QuickIndex{93, QStringLiteral("索书号")});
    return out;
}

QString BookInfo::quickSql(int group, const QString &value)
{
    QString key = value.trimmed().toUpper();
    if (key.isEmpty())
        return QString();
    if (group >= 91 && group <= 93)
        return book_info_sql::quickColumn(group, key);
    const BibParams &params = context_.cache<BibParams>();
    const IndexGroupCell *cell = params.retrievalGroups.cell(group, 0);
    if (cell != nullptr && cell->stopwordFlag != 0)
        key = normaliseSearchKey(key, params.stopWords);
    return book_info_sql::quickIndex(group, key, context_.db().unicodeMode());
}

BookInfo::Opened BookInfo::quickSearch(int group, const QString &value)
{
    const QString sql = quickSql(group, value);
    if (sql.isEmpty())
        return Opened::NotFound;
    QueryResult rows;
    if (context_.db().query(sql, rows) < 0) {
        context_.db().showDbError();
        return Opened::Failed;
    }
    if (rows.rowCount() == 0) {
        context_.showMsg(QStringLiteral("IBM001"));
        return Opened::NotFound;
    }
    return open(rows.text(0, 0));
}

} // namespace kestra
