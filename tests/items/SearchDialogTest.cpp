// The three search dialogs offscreen over a suite database: searching from
// the keyboard, the location check of OK, the entry points driven through
// their modal loop, the record-number families and the reader kinds.

#include "items/CopySearchDialog.h"
#include "items/MarcNoSearchDialog.h"
#include "items/ReaderSearchDialog.h"
#include "items/SearchTestData.h"
#include "support/TestRunner.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

using namespace kestra;
using namespace kestra::test;

namespace {

constexpr int Sqlite = int(TestDatabase::Kind::Sqlite);

template <class T>
T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QLatin1String(name));
    if (!c)
        qWarning("no child %s", name);
    return c;
}

// Types text the way a person does; keyClicks takes Latin-1 only.
void type(QWidget *w, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void click(QWidget *w, const char *button)
{
    QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton);
}

// Runs work inside the next modal dialog's event loop.
void whenModal(std::function<void(QDialog *)> work)
{
    QTimer::singleShot(0, [work] {
        auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(d != nullptr);
        work(d);
        // A failed check above must not leave the loop waiting.
        if (d->isVisible())
            d->reject();
    });
}

} // namespace

class SearchDialogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void copySearchFromTheKeyboard()
    {
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, Sqlite);
        QVERIFY(seedCatalogue(f));
        CopySearch search(f.context());
        QVERIFY(search.prepare());
        CopySearchDialog d(search, QStringLiteral("L1"));
        d.show();
        QCOMPARE(child<QComboBox>(&d, "cboIndex0")->currentText(), QStringLiteral("题名"));
        QCOMPARE(child<QComboBox>(&d, "cboOperator0")->currentText(), QStringLiteral("前方匹配"));
        QVERIFY(child<QComboBox>(&d, "cboIndex4") != nullptr);

        auto *value = child<QLineEdit>(&d, "txtValue0");
        type(value, QStringLiteral("中国"));
        QTest::keyClick(value, Qt::Key_Return);
        auto *grid = child<QTableWidget>(&d, "spdBookLst");
        QCOMPARE(grid->rowCount(), 3);
        QCOMPARE(grid->item(0, 2)->text(), QStringLiteral("中国历史"));
        QCOMPARE(grid->item(0, 4)->text(), QStringLiteral("可借"));
        QVERIFY(d.isVisible()); // Enter searched, it did not press OK
        QCOMPARE(child<QComboBox>(&d, "cboHistory")->count(), 1);

        // The copy of another location stays; the operator picks again.
        grid->setCurrentCell(1, 0);
        click(&d, "cmdOK");
        QCOMPARE(f.prompter().lastText(), QStringLiteral("该书不属于当前处理馆藏地！"));
        QVERIFY(d.isVisible());
        QVERIFY(!d.chosen());
        grid->setCurrentCell(2, 0);
        click(&d, "cmdOK");
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.chosen()->propNo, QStringLiteral("C3"));
        QCOMPARE(d.chosen()->barCode, QStringLiteral("B0003"));
    }

    void copySearchEntryPoints()
    {
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, Sqlite);
        QVERIFY(seedCatalogue(f));
        CopySearch search(f.context());

        whenModal([](QDialog *d) {
            auto *index = child<QComboBox>(d, "cboIndex1");
            index->setCurrentIndex(index->findData(IndexBarcode));
            auto *mode = child<QComboBox>(d, "cboOperator1");
            mode->setCurrentIndex(mode->findText(QStringLiteral("完全匹配")));
            QTest::keyClicks(child<QLineEdit>(d, "txtValue1"), QStringLiteral("b0002"));
            click(d, "cmdSearch");
            click(d, "cmdOK");
        });
        std::optional<FoundCopy> copy = CopySearchDialog::run(search, QStringLiteral("All"), nullptr);
        QVERIFY(copy);
        QCOMPARE(copy->propNo, QStringLiteral("C2"));

        // The form's search keeps its history; a history entry searches again.
        whenModal([](QDialog *d) {
            auto *history = child<QComboBox>(d, "cboHistory");
            QCOMPARE(history->count(), 1);
            QCOMPARE(history->itemText(0), QStringLiteral("条码号 完全匹配 b0002   命中1"));
            Q_EMIT history->activated(0);
            QCOMPARE(child<QLineEdit>(d, "txtValue0")->text(), QStringLiteral("b0002"));
            QCOMPARE(child<QTableWidget>(d, "spdBookLst")->rowCount(), 1);
            click(d, "cmdCancel");
        });
        QVERIFY(!CopySearchDialog::run(search, QStringLiteral("All"), nullptr));

        whenModal([](QDialog *d) {
            click(d, "cmdOK");
            QTimer::singleShot(0, d, &QDialog::reject);
        });
        QVERIFY(!CopySearchDialog::run(f.context(), QString(), nullptr)); // OK on an empty grid does nothing
    }

    void recordNumberSearch()
    {
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, Sqlite);
        QVERIFY(seedCatalogue(f));
        MarcNoSearch search(f.context());
        QVERIFY(search.prepare());
        MarcNoSearchDialog d(f.context(), search);
        d.show();
        auto *limit = child<QComboBox>(&d, "cboLimit");
        limit->setCurrentIndex(limit->findData(int(MarcNoSearch::Restriction::WithCopy)));
        type(child<QLineEdit>(&d, "txtValue0"), QStringLiteral("中国"));
        QTest::keyClick(child<QLineEdit>(&d, "txtValue0"), Qt::Key_Return);
        auto *grid = child<QTableWidget>(&d, "spdMarcLst");
        QCOMPARE(grid->rowCount(), 2);
        grid->selectAll();
        click(&d, "cmdOK");
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.chosen(), (QStringList{QStringLiteral("M1"), QStringLiteral("M2")}));

        // Authority records: no copy columns and no restriction.
        QTest::mouseClick(child<QRadioButton>(&d, "optAuMarc"), Qt::LeftButton);
        QCOMPARE(d.family(), MarcNoSearch::Family::Authority);
        QVERIFY(!limit->isEnabled());
        QCOMPARE(child<QComboBox>(&d, "cboIndex2")->findData(IndexBarcode), -1);
    }

    void readerSearch()
    {
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, Sqlite);
        QVERIFY(seedReaders(f));
        whenModal([&f](QDialog *d) {
            auto *kind = child<QComboBox>(d, "cboQuery");
            QCOMPARE(kind->count(), 4);
            kind->setCurrentIndex(kind->findText(QStringLiteral("读者证号")));
            auto *query = child<QLineEdit>(d, "txtQuery");
            QTest::keyClicks(query, QStringLiteral("K000"));
            QTest::keyClick(query, Qt::Key_Return);
            QCOMPARE(f.prompter().lastText(), QStringLiteral("该读者证已经失效，不能使用！"));
            auto *grid = child<QTableWidget>(d, "spdRedr");
            QCOMPARE(grid->rowCount(), 0);

            kind->setCurrentIndex(kind->findText(QStringLiteral("姓名")));
            query->clear();
            type(query, QStringLiteral("王"));
            QTest::keyClick(query, Qt::Key_Return);
            QCOMPARE(grid->rowCount(), 1);
            QCOMPARE(grid->item(0, 2)->text(), QStringLiteral("王小明"));
            QVERIFY(child<QLabel>(d, "lblStatus")->text().isEmpty());
            // A double click on a row is OK.
            const QPoint at = grid->visualItemRect(grid->item(0, 0)).center();
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        });
        const std::optional<QString> card = ReaderSearchDialog::run(f.context(), nullptr);
        QVERIFY(card);
        QCOMPARE(*card, QStringLiteral("K001"));
    }
};

KESTRA_TEST(SearchDialogTest)
#include "SearchDialogTest.moc"
