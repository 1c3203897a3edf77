#pragma once

// The handover batches of the new-book tests, over the copy tests' library.

#include "items/CopyTestLib.h"

namespace kestra::test {

// JJ1 (YS1): M1 with P1 (no intake date), P2 (in since 2025-09-01) and P3,
// all of subscriber L1 in 16 without bar codes, P1 and P2 on order A1 that
// reader R1 recommended and suggested; M2 with P4 (L2). JJ2: M3 with P5 at
// L1, not yet catalogued (marc_use_flag 1). B0001 is another title's copy.
inline bool seedNewBooks(CopyTestLib &lib)
{
    auto doc = [&](const char *batch, const char *rec) {
        return lib.transferDoc(QLatin1String(batch), u"YS1"_qs, QLatin1String(rec), 1, u"0"_qs, lib.today(), u"3"_qs);
    };
    return lib.record(u"M1"_qs, u"红楼梦"_qs) && lib.record(u"M2"_qs, u"字典"_qs) && lib.record(u"M3"_qs, u"史记"_qs) &&
           lib.record(u"M9"_qs, u"旧书"_qs) && lib.f.exec(u"UPDATE marc SET marc_use_flag='3'"_qs) &&
           lib.f.exec(u"UPDATE marc SET marc_use_flag='1' WHERE marc_rec_no='M3'"_qs) &&
           lib.copy(u"P1"_qs, u"M1"_qs, QString(), u"L1"_qs, u"16"_qs) &&
           lib.copy(u"P2"_qs, u"M1"_qs, QString(), u"L1"_qs, u"16"_qs) &&
           lib.copy(u"P3"_qs, u"M1"_qs, QString(), u"L1"_qs, u"16"_qs) &&
           lib.copy(u"P4"_qs, u"M2"_qs, QString(), u"L2"_qs, u"16"_qs) &&
           lib.copy(u"P5"_qs, u"M3"_qs, u"B0500"_qs, u"L1"_qs, u"16"_qs) &&
           lib.copy(u"P9"_qs, u"M9"_qs, u"B0001"_qs, u"L1"_qs, u"41"_qs) &&
           lib.f.exec(u"UPDATE indi_acct SET move_batch='JJ1', chk_batch_no='YS1' WHERE prop_no<'P5'"_qs) &&
           lib.f.exec(u"UPDATE indi_acct SET move_batch='JJ2', chk_batch_no='YS1' WHERE prop_no='P5'"_qs) &&
           lib.f.exec(u"UPDATE indi_acct SET in_date=NULL WHERE prop_no IN ('P1','P3','P4','P5')"_qs) &&
           lib.f.exec(u"UPDATE indi_acct SET asord_no='A1' WHERE prop_no IN ('P1','P2')"_qs) && doc("JJ1", "M1") &&
           doc("JJ1", "M2") && doc("JJ2", "M3") && lib.reader(u"R1"_qs, u"1"_qs) &&
           lib.f.exec(u"UPDATE reader SET email='r1@example.org' WHERE cert_id='R1'"_qs) &&
           lib.f.exec(
               u"INSERT INTO recm_doc (asord_no,cert_id,m_title,dc_reply_flag) VALUES ('A1','R1','红楼梦',NULL)"_qs) &&
           lib.f.exec(
               u"INSERT INTO suggest (asord_no,cert_id,m_title,dc_reply_flag) VALUES ('A1','R1','红楼梦','0')"_qs);
}

} // namespace kestra::test
