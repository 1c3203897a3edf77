#include "admin/DemoData.h"

#include "admin/DemoBuilder.h"
#include "admin/DemoWriter.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "marc/BibStore.h"
#include "shell/Login.h"

#include <QElapsedTimer>

namespace kestra {

namespace {

struct TableSpec {
    const char *name;
    const char *columns; // empty: a library table the demo leaves empty
};

// Every table that holds a library's own data, parents before children.
const TableSpec kTables[] = {
    {"loca_group", "group_id,group_name"},
    {"campus", "campus_code,campus_name,take_location,campus_remark"},
    {"location_lst", "location,location_name,location_property,short_loca_name,loca_use,lend_location,ret_location,"
                     "fine_location,group_id,branch_id,campus_code"},
    {"location_sort", "location,oper_type,sequence"},
    {"close_day", "location,close_bgn_day,close_end_day,ext_days"},
    {"open_time", "location,week,morn_open_time,aftn_open_time,even_open_time"},
    {"loca_comp_lst", "comp_name,location"},
    {"lib_worker", "wkr_no,wkr_name,password,wkr_flag,code2,wkr_email,wkr_tele,catalog_level,modi_pwd_date,dep_id,"
                   "remark"},
    {"user_comp_lst", "wkr_no,comp_name"},
    {"user_auth_lst", "wkr_no,modu_code"},
    {"user_location", "wkr_no,location"},
    {"login_log", "wkr_no,error_count,limit_login_time"},
    {"workspace", ""},
    {"publish_busi", "publ_code,publ_name,publ_addr"},
    {"rule_comp", "no,rule_no,loca_code_c,circ_type_code_c,redr_type_code_c,r_dep_id"},
    {"group_rule_comp", "r_group_id,redr_type_code_r,circ_type_code_r,max_lend_qty"},
    {"reader", "cert_id,name,sex,birthday,id_card,redr_type_code,lend_grd,dept,occupation,address,postcode,tele,email,"
               "reg_day,valid_day,deposit,debt_amt,volt_flag,debt_flag,code01,redr_del_reason,redr_del_day,redr_flag,"
               "resp_wkr"},
    {"reader_cert", "redr_cert_id,cert_id,cert_type,issue_date,valid_date,deposit,cert_flag,oper_date,resp_wkr,remark"},
    {"check_acct", "chk_batch_no,check_date,resp_wkr,remark"},
    {"order_check", ""},
    {"input_batch", ""},
    {"asord_cata", ""},
    {"asord_cata_detl", ""},
    {"recycle_sec", ""},
    {"invo", ""},
    {"location_fund_detl", ""},
    {"goto_batch", "batch_no,batch_type,src_loca,dst_loca,doc_type_code,remark,deal_date,wkr_no"},
    {"deal_batch_lst", "deal_batch_no,location,deal_type_code,deal_bgn_date,deal_end_date,deal_stat_flag,resp_wkr,"
                       "remark"},
    {"count_data", "count_batch_no,location,count_date,finish_flag,count_class,resp_wkr,remark"},
    {"virtual_shelf_class", "class_id,class_name,class_remark,book_count,in_date,user_id,user_type,class_order"},
    {"transport_batch", "batch_no,source_campus,target_campus,batch_type,batch_flag,create_date,resp_wkr"},
    {"marc", "marc_rec_no,marc_type,doc_type_code,lang_code,country_code,marc_use_flag,cata_oper,cata_date,"
             "create_oper,create_date,opac_flag,catalog_level,m_call_no,m_title,m_author,m_publisher,m_pub_year,"
             "m_isbn,m_classno,m_info1,m_info2,m_info3,m_info4,m_info5,m_info6,m_info7,m_info8,m_info9,m_info10,"
             "m_info11,m_info12,m_info13,m_info14,m_info15,m_info16,m_info17,m_info18,m_info19,m_info20,m_info21,"
             "m_info22"},
    {"marc_data", "marc_rec_no,data_serial,marc01,marc02,marc03"},
    {"marc_idx", "marc_rec_no,marc_idx_grp,marc_idx_cont"},
    {"call_no_lst", "call_no,marc_rec_no,cls_id,circ_type_code,lend_grd"},
    {"max_class_serial", "cls_id,class_no,max_serial"},
    {"asord_marc", ""},
    {"asord_marc_idx", ""},
    {"au_marc", ""},
    {"au_marc_idx", ""},
    {"order_lst", "asord_no,asord_marc_rec_no,marc_rec_no,location,order_date,copys,price,money_code,fund_src_code,"
                  "order_stat,batch_no,resp_wkr,remark"},
    {"transfer_doc", "move_batch,chk_batch_no,marc_rec_no,copys,store_flag,send_store_date,store_wkr,cata_flag,remark"},
    {"indi_acct", "prop_no,marc_rec_no,chk_batch_no,move_batch,price,real_price,location,fund_src_code,bala_flag,"
                  "call_no,remark,carrier_code,bar_code,in_date,book_stat_code,rec_flag_upt_date,get_mode_code,"
                  "vol_peri,resp_wkr,year,attachment,dis_location,cur_loca,asord_no,shelf_no,indi_opac_flag,reg_day,"
                  "check_time"},
    {"item", "prop_no,marc_rec_no,call_no,location,bar_code,carrier_code,book_stat_code,book_lend_flag,year,vol_peri,"
             "price,attachment,in_date,year_circ_times,total_circ_times,fst_use_date,rec_flag_upt_date,last_use_date,"
             "reg_day,lend_grd,remark,resp_wkr"},
    {"lend_lst", "prop_no,cert_id,location_f,lend_date,norm_ret_date,renew_date,renew_times,asback_date,asback_times,"
                 "attachment,rule_no_f,pda_flag,resp_wkr"},
    {"lend_hist", "prop_no_f,cert_id_f,marc_rec_no_f,location_f,cls_id,lend_date,norm_ret_date,ret_date,excd_days,"
                  "renew_date,renew_times,asback_date,asback_times,attachment,preg_flag,rele_flag,copy_flag,rule_no_f,"
                  "pda_flag,code1,code2,resp_wkr,ret_wkr"},
    {"lend_hist_bak", ""},
    {"preg_lst", "preg_no,cert_id,call_no,location,preg_date,preg_end_date,preg_keep_days,take_location,"
                 "preg_send_addr,send_time,take_campus,preg_flag,resp_wkr"},
    {"preg_arri_lst", "prop_no,cert_id,preg_no,location_f,preg_arri_date,noti_send_date,keep_end_date,preg_keep_days,"
                      "take_location,preg_send_addr,send_time,take_campus,pregarri_deal_flag,take_flag,resp_wkr"},
    {"relegate_lst", "relegate_no,cert_id,call_no,location,relegate_date,relegate_end_date,take_location,rele_flag,"
                     "resp_wkr,remark"},
    {"relegate_arri_lst", "prop_no,cert_id,relegate_no,location_f,relegate_arri_date,keep_end_date,take_location,"
                          "deal_flag,resp_wkr"},
    {"lost_recoup_lst", "prop_no,cert_id,recoup_date,src_price,tech_fee,serv_fee,real_recoup_amt,bill_no,recoup_type,"
                        "recoup_flag,resp_wkr,remark"},
    {"exceed_fine_lst", "cert_id,prop_no,lend_date,ret_date,norm_ret_date,fine_amt,real_fine_amt,bill_no,fine_date,"
                        "debt_deal_flag,time_unit,resp_wkr,remark"},
    {"reader_volt_lst", "cert_id,prop_no,volt_code,punish_date,real_fine_amt,bill_no,fine_date,froz_end_date,"
                        "volt_deal_flag,resp_wkr,remark"},
    {"recm_doc", "asord_no,cert_id,m_title,m_author,m_publisher,isbn,recm_date,dc_reply_flag,remark"},
    {"suggest", "asord_no,cert_id,m_title,m_author,m_publisher,isbn,suggest_date,dc_reply_flag,remark"},
    {"mail_data", ""},
    {"transport_detl", "batch_no,prop_no,book_flag,send_date,send_oper,send_loca,rece_date,rece_oper,rece_loca"},
    {"deal_log", "deal_no,location,deal_batch_no,deal_type_code,prop_no,log_date,fee,book_target,source_state,resp_wkr,"
                 "remark"},
    {"goto_detl", "batch_no,prop_no,src_book_stat,dst_book_stat,deal_date,wkr_no,src_loca,deal_no"},
    {"wait_count_lst", "count_batch_no,prop_no,location,count_date"},
    {"count_lost_copy", "count_date,location,prop_no,flag,count_batch_no"},
    {"virtual_shelf_book", "class_id,marc_rec_no,m_title,m_author,m_publisher,m_pub_year,m_call_no,in_date,book_order,"
                           "remark"},
    {"wkr_job_qty", "wkr_no_f,job_type,oper_date,kind,volume,amount"},
    {"log_detl", "log_type,log_date,log_time,wkr_no,computer,location_name,marc_rec_no,prop_no,cert_id,data1,data2,"
                 "data3"},
};

// What a table of kestra-admin init holds that is not library data.
QString keptRows(const QString &table)
{
    if (table == QLatin1String("lib_worker"))
        return QStringLiteral(" WHERE wkr_no<>'ROOT'");
    if (table == QLatin1String("location_lst"))
        return QStringLiteral(" WHERE location<>'99999'");
    return {};
}

// Empties the library tables, children first, inside the writer's
// transaction; the reference data and ROOT stay.
bool clearLibrary(DemoWriter &w)
{
    const QStringList &tables = demoTables();
    for (auto t = tables.crbegin(); t != tables.crend(); ++t) {
        if (!w.exec(QStringLiteral("DELETE FROM ") + *t + keptRows(*t)))
            return false;
    }
    // The circulation rules the demo adds to the reference one.
    return w.exec(QStringLiteral("DELETE FROM circ_rule WHERE rule_no IN ('02','03')"));
}

} // namespace

const QStringList &demoTables()
{
    static const QStringList tables = [] {
        QStringList list;
        for (const TableSpec &t : kTables)
            list.append(QString::fromLatin1(t.name));
        return list;
    }();
    return tables;
}

int generateDemoLibrary(Session &session, const DemoOptions &options, DemoReport *report, QString *error)
{
    QElapsedTimer timer;
    timer.start();
    Backend *backend = session.backend();
    auto *host = dynamic_cast<ProcHost *>(backend);
    if (backend == nullptr || host == nullptr || !backend->isOpen()) {
        *error = QStringLiteral("the demo library is generated on SQLite and PostgreSQL databases only");
        return -1;
    }
    if (options.scale < kMinimumDemoScale || options.scale > kMaximumDemoScale) {
        *error = QStringLiteral("the scale is a number of titles from %1 to %2")
                     .arg(kMinimumDemoScale)
                     .arg(kMaximumDemoScale);
        return -1;
    }
    DemoWriter w(*host, *backend);
    qint64 version = 0;
    if (!w.selectInt(QStringLiteral("SELECT MAX(version) FROM kestra_schema_version"), {}, &version) || version <= 0) {
        *error = QStringLiteral("the database holds no suite schema; create it with kestra-admin init first");
        return -1;
    }
    // Library data already there: name the tables that hold it.
    QStringList filled;
    for (const QString &table : demoTables()) {
        QList<Row> rows;
        const QString where = keptRows(table);
        if (!w.select(QStringLiteral("SELECT 1 FROM ") + table + where + QStringLiteral(" LIMIT 1"), {}, &rows)) {
            *error = QStringLiteral("the database does not match the schema (%1); check it with kestra-admin check")
                         .arg(w.error());
            return -1;
        }
        if (!rows.isEmpty())
            filled.append(table);
    }
    if (!filled.isEmpty() && options.onlyIfEmpty && !options.force) {
        if (report != nullptr) {
            *report = DemoReport();
            report->skipped = true;
        }
        return 0;
    }
    if (!filled.isEmpty() && !options.force) {
        *error = QStringLiteral("the database already holds library data (in %1%2); give --force to replace it")
                     .arg(filled.mid(0, 4).join(QStringLiteral(", ")),
                          filled.size() > 4 ? QStringLiteral(" and %1 more tables").arg(filled.size() - 4) : QString());
        return -1;
    }

    for (const TableSpec &t : kTables) {
        if (*t.columns != '\0')
            w.declare(QString::fromLatin1(t.name), QString::fromLatin1(t.columns).split(QLatin1Char(',')));
    }
    const QString now = host->serverNow();
    const QDate today = options.today.isValid() ? options.today : QDate::fromString(now.left(10), Qt::ISODate);
    // A given day makes the whole library reproducible, the lock-out time too.
    const QString stamp = options.today.isValid() ? demo::dateText(options.today) + QStringLiteral(" 08:30:00") : now;
    const QString workstation = options.workstation.isEmpty()
                                    ? workstationName(WorkstationEnvironment::fromSystem(), false)
                                    : options.workstation.trimmed().toUpper();
    if (!today.isValid() || workstation.isEmpty()) {
        *error = QStringLiteral("cannot read the server's date or this machine's name");
        return -1;
    }

    // Records are summarised and indexed with the installation's parameter
    // tables, in the session's storage mode; the index width is the one the
    // client's start-up settles on for the schema's marc_idx_cont (120).
    BibParams params;
    if (loadBibParams(session, session.context().folders(), CodePage(options.codePage), params) < 0) {
        *error = QStringLiteral("cannot read the bibliographic parameters: ") + session.error().text;
        return -1;
    }
    params.indexWidth = indexWidthFor(params.unicodeMode, 120);

    bool ok = w.begin() && (filled.isEmpty() || clearLibrary(w));
    qint64 first = 0;
    DbError seqError;
    if (ok && !host->nextValue(QStringLiteral("s_deal_log"), first, seqError)) {
        *error = QStringLiteral("s_deal_log: ") + seqError.text;
        w.rollback();
        return -1;
    }
    demo::Builder builder(session, w, options, today, stamp, workstation, params);
    builder.setSequenceFirst(first);
    ok = ok && builder.staff() && builder.readers() && builder.batchHeads() && builder.collection() &&
         builder.activity() && builder.finish() && builder.statistics() && w.commit();
    if (!ok) {
        *error = w.error();
        w.rollback();
        // Rows of earlier commits of this run go again: the database is left
        // as kestra-admin init made it. Without such commits the rollback
        // has already put back what was there.
        if (w.commits() > 0) {
            DemoWriter cleaner(*host, *backend);
            if (cleaner.begin() && clearLibrary(cleaner))
                cleaner.commit();
            else
                cleaner.rollback();
        }
        return -1;
    }

    const qint64 elapsed = timer.elapsed();
    if (report != nullptr) {
        report->tableRows.clear();
        for (const QString &table : demoTables()) {
            qint64 rows = 0;
            if (!w.selectInt(QStringLiteral("SELECT COUNT(*) FROM ") + table, {}, &rows)) {
                *error = w.error();
                return -1;
            }
            report->tableRows.append({table, rows});
        }
        report->elapsedMs = elapsed;
        report->databaseMs = w.databaseMs();
        report->scale = options.scale;
        report->seed = options.seed;
        report->today = today;
    }
    return 0;
}

} // namespace kestra
