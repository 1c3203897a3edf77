#include "core/CodeTables.h"

#include "core/AppContext.h"
#include "core/Session.h"

namespace kestra {

namespace {

struct CacheDef {
    CodeCache cache;
    const char *sql; // empty: built by CodeTables::sqlFor
    int codeColumn;
    int nameColumn;
    bool indexed; // translated per cell in grids of thousands of rows
};

// Lists without an order of their own are ordered by code, so that a
// drop-down does not change its order from one backend to another.
const CacheDef *cacheDefs()
{
    static const CacheDef defs[] = {
        {CodeCache::CircRules,
         "SELECT rule_no, rule_name, time_unit, norm_term, limt_lend_qty, max_lend_qty, perg_ysno, renew_ysno, "
         "max_renew_times, renew_bef_exp_days, fst_renew_days, add_renew_days, preg_keep_days, min_use_days, "
         "use_bef_exp_days, use_aft_asback_days, max_excd_times, fst_notice, snd_notice, thd_notice, "
         "unfine_ext_days, fst_fine_days, fst_fine_price, other_fine_price, tech_fee, serv_fee, fst_notice_no, "
         "snd_notice_no, thd_notice_no, preg_notice_no, keep_book_qty, renew_calc_flag, rule_flag, reg_day, "
         "upt_day, resp_wkr, rele_keep_days FROM circ_rule ORDER BY rule_no",
         0, 1, false},
        {CodeCache::RuleAssignment,
         "SELECT no, rule_no, loca_code_c, circ_type_code_c, redr_type_code_c, r_dep_id FROM rule_comp "
         "ORDER BY no DESC",
         0, 1, false},
        {CodeCache::AllLocations,
         "SELECT location, location_name, location_property, short_loca_name, loca_use FROM location_lst "
         "ORDER BY location_name",
         0, 1, true},
        {CodeCache::StatTypes, "SELECT stat_type_name, stat_type_code FROM stat_type_code ORDER BY stat_type_code", 1,
         0, false},
        {CodeCache::CircTypes,
         "SELECT circ_type_code, circ_type_name, remark FROM circ_type_code WHERE code_use_flag='1' "
         "ORDER BY circ_type_code",
         0, 1, true},
        {CodeCache::CircTypeByClass,
         "SELECT cls_id, circ_type_code, class FROM circ_type_sort ORDER BY cls_id, circ_type_code", 0, 1, false},
        {CodeCache::ClassSchemes,
         "SELECT cls_id, cls_name, marc_field FROM classifica_code WHERE code_use_flag='1' ORDER BY cls_id", 0, 1,
         false},
        {CodeCache::ClassGroups, "SELECT grp_code, grp_name FROM cls_group ORDER BY grp_code", 0, 1, false},
        {CodeCache::StatTemplates,
         "SELECT DISTINCT template_no, template_name, cls_id FROM stat_template ORDER BY template_no", 0, 1, false},
        {CodeCache::DocTypes,
         "SELECT doc_type_code, doc_type_name, doc_type_prop FROM doc_type_code WHERE code_use_flag='1' "
         "ORDER BY doc_type_sort",
         0, 1, true},
        {CodeCache::Carriers,
         "SELECT carrier_code, carrier_name FROM carrier_code WHERE code_use_flag='1' ORDER BY carrier_code", 0, 1,
         false},
        {CodeCache::AcqModes,
         "SELECT get_mode_code, get_mode_name FROM get_mode_code WHERE code_use_flag='1' ORDER BY get_mode_code", 0, 1,
         false},
        {CodeCache::Languages,
         "SELECT lang_code, lang_name FROM language_code WHERE code_use_flag='1' ORDER BY lang_code", 0, 1, false},
        {CodeCache::Countries,
         "SELECT country_code, country_name FROM country_code WHERE code_use_flag='1' ORDER BY country_code", 0, 1,
         false},
        {CodeCache::ReaderTypes,
         "SELECT redr_type_code, redr_type_name, chk_validity_period, max_lend_qty, max_debt_amt, max_preg_qty, "
         "max_preg_days, deposit_base, deposit_ratio, redr_attr_1, redr_attr_2, redr_attr_3, UNION_CIRC_FLAG, "
         "max_rele_qty, max_rele_days FROM reader_type WHERE code_use_flag='1' ORDER BY redr_type_code",
         0, 1, false},
        {CodeCache::LendGrades, "SELECT lend_grd, remark FROM lend_grd WHERE code_use_flag='1' ORDER BY lend_grd", 0, 1,
         false},
        {CodeCache::Violations,
         "SELECT volt_code, volt_name, df_type, df_value FROM violate_code WHERE code_use_flag='1' "
         "ORDER BY volt_code",
         0, 1, false},
        {CodeCache::Staff, "SELECT wkr_no, wkr_name FROM lib_worker ORDER BY wkr_name", 0, 1, true},
        {CodeCache::CloseDays,
         "SELECT close_bgn_day, close_end_day, ext_days, location FROM CLOSE_DAY ORDER BY location, close_bgn_day", 3,
         0, false},
        {CodeCache::OpenTimes,
         "SELECT morn_open_time, aftn_open_time, even_open_time, week, location FROM open_time ORDER BY week", 4, 0,
         false},
        {CodeCache::DepartmentsInUse, "SELECT dep_id, dep_name FROM department WHERE use_flag='1' ORDER BY dep_id", 0,
         1, false},
        {CodeCache::AllDepartments, "SELECT dep_id, dep_name FROM department ORDER BY dep_id", 0, 1, false},
        {CodeCache::LocationGroups, "SELECT group_id, group_name FROM loca_group ORDER BY group_id", 0, 1, false},
        {CodeCache::GroupRules,
         "SELECT r_group_id, redr_type_code_r, max_lend_qty, circ_type_code_r FROM group_rule_comp "
         "ORDER BY r_group_id",
         0, 1, false},
        {CodeCache::LimitTypes,
         "SELECT limit_type_code, limit_type_name FROM limit_type WHERE limit_use_flag='1' ORDER BY limit_type_code", 0,
         1, false},
        {CodeCache::SortList0, "", 0, 1, false},
        {CodeCache::SortList2, "", 0, 1, false},
        {CodeCache::SortList3, "", 0, 1, false},
        {CodeCache::Publishers, "SELECT publ_code, publ_name FROM publish_busi ORDER BY publ_name", 0, 1, false},
        {CodeCache::PayModes,
         "SELECT pay_mode_code, pay_mode_name FROM pay_mode_code WHERE code_use_flag='1' ORDER BY pay_mode_code", 0, 1,
         false},
        {CodeCache::FundSources,
         "SELECT fund_src_code, fund_src_name FROM fund_src_code WHERE code_use_flag='1' ORDER BY fund_src_code", 0, 1,
         false},
        {CodeCache::FundSourcesPlain, "", 0, 1, false},
        {CodeCache::Currencies, "SELECT money_code, money_name FROM money_type ORDER BY money_code", 0, 1, false},
        {CodeCache::Campuses,
         "SELECT CAMPUS_CODE, CAMPUS_NAME, take_location, campus_remark FROM campus ORDER BY campus_code", 0, 1, false},
        {CodeCache::SendTimeTypes, "SELECT id, send_time FROM send_time_type WHERE code_use_flag='1' ORDER BY id", 0, 1,
         false},
    };
    static_assert(std::size(defs) == static_cast<size_t>(CodeCache::Count));
    return defs;
}

const CacheDef &defOf(CodeCache cache)
{
    return cacheDefs()[static_cast<int>(cache)];
}

// The columns of the location lists that a form reads by name.
QString column(const QueryResult &list, int row, const char *name)
{
    const int c = list.columnIndex(QLatin1String(name));
    return c < 0 ? QString() : list.text(row, c);
}

} // namespace

Location locationAt(const QueryResult &list, int row)
{
    Location l;
    l.location = column(list, row, "location");
    l.name = column(list, row, "location_name");
    l.property = column(list, row, "location_property");
    l.shortName = column(list, row, "short_loca_name");
    l.lendLocation = column(list, row, "lend_location");
    l.retLocation = column(list, row, "ret_location");
    l.fineLocation = column(list, row, "fine_location");
    l.groupId = column(list, row, "group_id");
    l.locaUse = column(list, row, "loca_use");
    l.branchId = column(list, row, "branch_id");
    l.sound = list.spare(row);
    return l;
}

CodeTables::CodeTables(AppContext &context) : context_(context) {}

QString CodeTables::sortListSql(const QString &operType)
{
    return QStringLiteral("SELECT location_lst.location, location_lst.location_name, location_lst.location_property, "
                          "location_lst.short_loca_name, location_lst.lend_location, location_lst.ret_location, "
                          "location_lst.fine_location FROM location_sort, location_lst "
                          "WHERE location_sort.location=location_lst.location AND location_sort.oper_type=") +
           sqlQuote(operType) + QStringLiteral(" ORDER BY location_sort.sequence");
}

QString CodeTables::sqlFor(CodeCache cache) const
{
    switch (cache) {
    case CodeCache::SortList0:
        return sortListSql(QStringLiteral("0"));
    case CodeCache::SortList2:
        return sortListSql(QStringLiteral("2"));
    case CodeCache::SortList3:
        return sortListSql(QStringLiteral("3"));
    case CodeCache::FundSourcesPlain: {
        QString sql = QStringLiteral("SELECT fund_src_code, fund_src_name FROM fund_src_code WHERE code_use_flag='1'");
        // The first three fund types of cf/cfCfg.ini are the special ones.
        // An entry without a code is skipped: "<>''" is "<> NULL" to Oracle
        // and would empty the whole list.
        const QList<FundType> &types = settings_.fundTypes;
        for (int i = 0; i < 3 && i < types.size(); ++i) {
            if (!types.at(i).code.isEmpty())
                sql += QStringLiteral(" AND fund_src_code<>") + sqlQuote(types.at(i).code);
        }
        return sql + QStringLiteral(" ORDER BY fund_src_code");
    }
    default:
        return QString::fromUtf8(defOf(cache).sql);
    }
}

void CodeTables::buildIndex(CodeCache cache)
{
    QHash<QString, int> &idx = indexes_[index(cache)];
    idx.clear();
    const CacheDef &def = defOf(cache);
    if (!def.indexed)
        return;
    const QueryResult &t = table(cache);
    idx.reserve(t.rowCount());
    // Walk back so that the first of equal codes wins, as a scan would find it.
    for (int r = t.rowCount() - 1; r >= 0; --r)
        idx.insert(t.text(r, def.codeColumn), r);
}

int CodeTables::load(CodeCache cache)
{
    if (cache == CodeCache::AllLocations && !context_.allLocations().isNull()) {
        // Loaded once for the run; whoever loaded it first keeps it.
        tables_[index(cache)] = context_.allLocations();
        buildIndex(cache);
        return 0;
    }
    QueryResult result;
    if (context_.db().query(sqlFor(cache), result) < 0)
        return -1;
    tables_[index(cache)] = std::move(result);
    buildIndex(cache);
    if (cache == CodeCache::AllLocations)
        context_.setAllLocations(tables_[index(cache)]);
    return 0;
}

int CodeTables::loadRange(CodeCache first, CodeCache last)
{
    for (int c = index(first); c <= index(last); ++c) {
        if (load(static_cast<CodeCache>(c)) < 0)
            return -1;
    }
    return 0;
}

int CodeTables::loadCodeTables()
{
    return loadRange(CodeCache::CircRules, CodeCache::LimitTypes);
}

int CodeTables::loadLocationLists()
{
    return loadRange(CodeCache::SortList0, CodeCache::SortList3);
}

int CodeTables::loadAcquisitionLists()
{
    settings_.fundTypes = loadFundTypes(context_.folders(), context_.codePage());
    return loadRange(CodeCache::Publishers, CodeCache::Currencies);
}

int CodeTables::loadOptionalLists()
{
    // Each on its own: a missing campus table must not cost the other list.
    const int campuses = load(CodeCache::Campuses);
    const int sendTimes = load(CodeCache::SendTimeTypes);
    return campuses < 0 || sendTimes < 0 ? -1 : 0;
}

int CodeTables::row(CodeCache cache, const QString &code) const
{
    const CacheDef &def = defOf(cache);
    if (def.indexed) {
        const QHash<QString, int> &idx = indexes_[index(cache)];
        const auto it = idx.constFind(code);
        return it == idx.constEnd() ? -1 : *it;
    }
    return table(cache).findRow(def.codeColumn, code);
}

QString CodeTables::name(CodeCache cache, const QString &code) const
{
    const int r = row(cache, code);
    return r < 0 ? QString() : table(cache).text(r, defOf(cache).nameColumn);
}

int CodeTables::loadLocations(const QString &operType, bool all)
{
    QString sql;
    if (all) {
        sql = QStringLiteral("SELECT location, location_name, location_property, short_loca_name, loca_use "
                             "FROM location_lst WHERE loca_use='1' ORDER BY location_name");
    } else if (context_.params().isOn(47)) {
        sql = QStringLiteral("SELECT location_lst.location, location_lst.location_name, "
                             "location_lst.location_property, location_lst.short_loca_name, "
                             "location_lst.lend_location, location_lst.ret_location, location_lst.fine_location, "
                             "location_lst.group_id FROM location_lst, user_location, location_sort "
                             "WHERE location_lst.location=user_location.location "
                             "AND location_lst.location=location_sort.location AND location_lst.loca_use='1' "
                             "AND user_location.wkr_no=") +
              sqlQuote(context_.session().operatorNo) + QStringLiteral(" AND location_sort.oper_type=") +
              sqlQuote(operType) + QStringLiteral(" ORDER BY location_sort.sequence");
    } else {
        sql = sortListSql(operType);
    }
    QueryResult result;
    if (context_.db().query(sql, result) < 0)
        return -1;
    current_ = std::move(result);
    applyLocationSounds();
    return 0;
}

void CodeTables::applyLocationSounds()
{
    for (int r = 0; r < current_.rowCount(); ++r)
        current_.setSpare(r, QString());
    for (const SoundAssignment &sound : settings_.sounds.locations) {
        for (int r = 0; r < current_.rowCount(); ++r) {
            if (current_.text(r, 0) == sound.key)
                current_.setSpare(r, sound.file);
        }
    }
}

bool CodeTables::checkLocationRight(const QString &location)
{
    if (!context_.params().isOn(47))
        return true;
    if (current_.findRow(0, location) >= 0)
        return true;
    // A warning with OK alone; through the message path, so that an import
    // collects it like any other refusal.
    MessageStyle style = messageStyle(u'W');
    style.buttons = MessageStyle::Buttons::Ok;
    style.defaultButton = MessageStyle::Default::Ok;
    context_.messages().show(MessageBox{u'W', context_.messages().title(),
                                        QStringLiteral("没有该馆藏地的操作权限或者该馆藏地不在自选的业务馆藏地中。"),
                                        style});
    return false;
}

bool CodeTables::isInCollection(const QString &status)
{
    static const QStringList inCollection = {
        QStringLiteral("33"), QStringLiteral("41"), QStringLiteral("42"), QStringLiteral("3C"),
        QStringLiteral("43"), QStringLiteral("44"), QStringLiteral("45"), QStringLiteral("46"),
    };
    return inCollection.contains(status);
}

QString CodeTables::marcFormatName(const QString &code)
{
    if (code == QLatin1String("C") || code == QLatin1String("N"))
        return QStringLiteral("CN");
    if (code == QLatin1String("U"))
        return QStringLiteral("US");
    if (code == QLatin1String("c"))
        return QStringLiteral("CN规范");
    if (code == QLatin1String("u"))
        return QStringLiteral("US规范");
    return QString();
}

QString CodeTables::orderStatusName(const QString &code)
{
    static const char16_t *const names[] = {u"待订", u"订购", u"待编", u"已编", u"审校"};
    if (code.size() != 1 || code.at(0) < u'0' || code.at(0) > u'4')
        return QString();
    return QString::fromUtf16(names[code.at(0).unicode() - u'0']);
}

} // namespace kestra
