// Lists that follow what other windows commit: a grid's copies read again
// after a change of them (named, or set-based), the form's own columns kept,
// a copy gone since left as shown, the connection ended with the grid; and
// a list reloaded on the changes it cares about only.

#include "kit/CopyWatch.h"
#include "copies/ChangeNotice.h"
#include "copies/ItemCodes.h"
#include "copies/ItemWrite.h"
#include "items/CopyTestLib.h"
#include "kit/CopyColumns.h"
#include "support/TestContext.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;
using namespace Qt::StringLiterals;

namespace {

// A form's own row: the copy and what the form did with it.
struct Listed {
    ItemRow copy;
    QString mine;
};

bool seed(CopyTestLib &lib)
{
    bool ok = lib.record(u"M1"_s, u"红楼梦"_s);
    for (const char *p : {"P1", "P2", "P3"})
        ok = ok && lib.copy(QLatin1String(p), u"M1"_s, u"B"_s + QLatin1String(p), u"L1"_s, u"41"_s);
    return ok;
}

// Another window's change of a copy, committed through the copy transaction.
bool changeElsewhere(AppContext &context, const QString &prop, const QString &status)
{
    ItemTransaction tx(context);
    QString date;
    if (tx.serverDate(date) < 0)
        return false;
    CopyChange c;
    c.propNo = prop;
    c.status = status;
    c.date = date;
    return tx.updateCopy(c) >= 0 && tx.commit() >= 0;
}

} // namespace

class CopyWatchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void gridsFollowCommittedChanges_data() { addBackendRows(); }
    void gridsFollowCommittedChanges()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        AppContext &context = lib.f.context();
        RowModel<Listed> grid(columnsOf(copyColumns(context, {CopyField::PropNo, CopyField::Status}), &Listed::copy),
                              false);
        for (const char *p : {"P1", "P2", "P3"}) {
            Listed l;
            QCOMPARE(readItemRow(context.db(), QLatin1String(p), InputType::Accession, l.copy), 1);
            l.mine = u"mine-"_s + QLatin1String(p);
            grid.append(l);
        }
        watchCopies(context, grid, &Listed::copy);
        const auto statuses = [&grid] {
            QStringList s;
            for (const Listed &l : grid.rows())
                s.append(l.copy.status + u'/' + l.mine);
            return s.join(u' ');
        };

        // Only the copy named is read again; the form's column stays.
        QVERIFY(changeElsewhere(context, u"P2"_s, u"42"_s));
        QCOMPARE(statuses(), u"41/mine-P1 42/mine-P2 41/mine-P3"_s);
        QCOMPARE(grid.index(1, 1).data().toString(), item_status::name(u"42"_s));

        // A set-based change names no copies: every row is read again, and a
        // copy deleted meanwhile stays as it was shown.
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET book_stat_code='43' WHERE prop_no IN ('P1','P2')"_s));
        QVERIFY(lib.f.exec(u"DELETE FROM indi_acct WHERE prop_no='P3'"_s));
        Q_EMIT ChangeNotice::of(context).copiesChanged({});
        QCOMPARE(statuses(), u"43/mine-P1 43/mine-P2 41/mine-P3"_s);

        // A grid closed before the next change is no longer reached.
        {
            RowModel<ItemRow> closed(copyColumns(context, {CopyField::PropNo}), false);
            ItemRow r;
            QCOMPARE(readItemRow(context.db(), u"P1"_s, InputType::Accession, r), 1);
            closed.append(r);
            watchCopies(context, closed);
            QVERIFY(changeElsewhere(context, u"P1"_s, u"44"_s));
            QCOMPARE(closed.at(0).status, u"44"_s);
        }
        QVERIFY(changeElsewhere(context, u"P1"_s, u"41"_s));
        QCOMPARE(grid.at(0).copy.status, u"41"_s);
    }

    void listsReloadOnTheChangesTheyShow()
    {
        // No database: the notice is a signal of the context.
        TestContext tc;
        AppContext &context = tc.context();
        int copies = 0;
        int transfers = 0;
        {
            QObject owner;
            reloadOnChange(context, owner, true, QString(), [&copies] { ++copies; });
            reloadOnChange(context, owner, false, u"goto_batch"_s, [&transfers] { ++transfers; });
            ChangeNotice &notice = ChangeNotice::of(context);
            Q_EMIT notice.copiesChanged({u"P1"_s});
            Q_EMIT notice.batchesChanged(u"deal_batch_lst"_s);
            Q_EMIT notice.batchesChanged(u"goto_batch"_s);
            QCOMPARE(copies, 1);
            QCOMPARE(transfers, 1);
        }
        Q_EMIT ChangeNotice::of(context).batchesChanged(u"goto_batch"_s);
        QCOMPARE(transfers, 1);
    }
};

KESTRA_TEST(CopyWatchTest)
#include "CopyWatchTest.moc"
