#pragma once

// The transfer tests' library on top of the copy-processing one: two titles
// of different document types, a copy on loan with an open and a returned
// loan, a copy whose reservation has arrived, and a third title nobody moves
// whose lendable count is deliberately stale (a recount that strays shows).
//
//   M1 中文图书 (01), call I247.5/1: P1 L1 41 on loan to R1, P2 L1 41 reserved
//                                    and arrived (Y1 at L1), P3 L2 41
//   M2 西文图书 (02), call K825/9:   P4 L1 42, P5 L1 41 (no circulation row)
//   M3 (02), call K825/10:            P6 L2 41, lendable_copies 9

#include "items/CopyTestLib.h"

namespace kestra::test {

inline bool seedTransfers(CopyTestLib &lib)
{
    CodeTables &codes = lib.f.context().codes();
    return codes.load(CodeCache::DocTypes) == 0 && lib.record(u"M1"_qs, u"红楼梦"_qs) &&
           lib.record(u"M2"_qs, u"Hamlet"_qs) && lib.record(u"M3"_qs, u"Macbeth"_qs) &&
           lib.f.exec(u"UPDATE marc SET doc_type_code='01', lendable_copies=3 WHERE marc_rec_no='M1'"_qs) &&
           lib.f.exec(u"UPDATE marc SET doc_type_code='02', lendable_copies=1 WHERE marc_rec_no='M2'"_qs) &&
           lib.f.exec(u"UPDATE marc SET doc_type_code='02', lendable_copies=9 WHERE marc_rec_no='M3'"_qs) &&
           lib.copy(u"P1"_qs, u"M1"_qs, u"B0001"_qs, u"L1"_qs, u"41"_qs) && lib.item(u"P1"_qs, u"1"_qs) &&
           lib.copy(u"P2"_qs, u"M1"_qs, u"B0002"_qs, u"L1"_qs, u"41"_qs) && lib.item(u"P2"_qs, u"2"_qs) &&
           lib.copy(u"P3"_qs, u"M1"_qs, u"B0003"_qs, u"L2"_qs, u"41"_qs) && lib.item(u"P3"_qs) &&
           lib.copy(u"P4"_qs, u"M2"_qs, u"B0004"_qs, u"L1"_qs, u"42"_qs, u"K825/9"_qs) && lib.item(u"P4"_qs) &&
           lib.copy(u"P5"_qs, u"M2"_qs, u"B0005"_qs, u"L1"_qs, u"41"_qs, u"K825/9"_qs) &&
           lib.copy(u"P6"_qs, u"M3"_qs, u"B0006"_qs, u"L2"_qs, u"41"_qs, u"K825/10"_qs) && lib.item(u"P6"_qs) &&
           lib.reader(u"R1"_qs, u"1"_qs) && lib.callNumber(u"I247.5/1"_qs, u"M1"_qs) &&
           lib.callNumber(u"K825/9"_qs, u"M2"_qs) &&
           lib.f.exec(u"INSERT INTO lend_lst (prop_no,cert_id,location_f,lend_date) "
                      "VALUES ('P1','R1','L1','2026-11-01')"_qs) &&
           lib.f.exec(u"INSERT INTO lend_hist (prop_no_f,cert_id_f,location_f,lend_date,ret_date) "
                      "VALUES ('P1','R1','L1','2026-11-01',NULL)"_qs) &&
           lib.f.exec(u"INSERT INTO lend_hist (prop_no_f,cert_id_f,location_f,lend_date,ret_date) "
                      "VALUES ('P1','R1','L1','2026-01-01','2026-02-01')"_qs) &&
           lib.reservation(u"Y1"_qs, u"R1"_qs, u"I247.5/1"_qs, u"L1"_qs, u"1"_qs) &&
           lib.f.exec(u"INSERT INTO preg_arri_lst (prop_no,cert_id,preg_no,location_f,pregarri_deal_flag) "
                      "VALUES ('P2','R1','Y1','L1','0')"_qs) &&
           lib.f.exec(u"INSERT INTO goto_batch (batch_no,batch_type,src_loca,dst_loca,doc_type_code,deal_date,wkr_no) "
                      "VALUES ('G1','0','L1','L2','AA','2026-11-30','W001')"_qs);
}

// Where each copy is and in which status, "P1:L1:41 ...", from indi_acct and
// from item ("-" without a circulation row).
inline QString places(CopyTestLib &lib)
{
    return lib
        .snapshot(u"SELECT a.prop_no||':'||a.dis_location||':'||a.book_stat_code||':'||"
                  "COALESCE(i.location,'-')||':'||COALESCE(i.book_stat_code,'-') "
                  "FROM indi_acct a LEFT JOIN item i ON i.prop_no=a.prop_no ORDER BY a.prop_no"_qs)
        .replace(u'\n', u' ');
}

inline QString lendable(CopyTestLib &lib)
{
    return lib.snapshot(u"SELECT marc_rec_no||'='||lendable_copies FROM marc ORDER BY marc_rec_no"_qs)
        .replace(u'\n', u' ');
}

#define TRANSFER_LIB(lib)                                                                                              \
    OPEN_LIB(lib);                                                                                                     \
    QVERIFY(seedTransfers(lib));                                                                                       \
    ScriptedPrompter &prompter = lib.f.prompter();                                                                     \
    Q_UNUSED(prompter)

} // namespace kestra::test
