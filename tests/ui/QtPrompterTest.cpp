// The real message boxes of every kind, answered the way a person would.

#include "ui/QtPrompter.h"
#include "core/Messages.h"
#include "support/ScriptedPrompter.h"
#include "support/TestRunner.h"
#include "ui/QtSoundPlayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace kestra;
using namespace kestra::test;
using namespace Qt::StringLiterals;

namespace {

// What the box looked like while it was open.
struct Seen {
    bool found = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
    QString escapeButton;
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    Qt::WindowModality modality = Qt::NonModal;
    bool cursorOverridden = false;
};

QPushButton *buttonWithText(QMessageBox *box, const QString &text)
{
    const QList<QAbstractButton *> all = box->buttons();
    for (QAbstractButton *b : all) {
        if (b->text() == text)
            return qobject_cast<QPushButton *>(b);
    }
    return nullptr;
}

// Once the next modal box is open: note what it shows, then act on it. When
// no box comes, every modal widget is closed so that the test cannot hang.
void whenBoxOpens(Seen *seen, std::function<void(QMessageBox *)> act, int tries = 50)
{
    QTimer::singleShot(10, [seen, act, tries] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr) {
            if (tries > 0)
                return whenBoxOpens(seen, act, tries - 1);
            if (QWidget *other = QApplication::activeModalWidget())
                other->close();
            return;
        }
        seen->found = true;
        seen->icon = box->icon();
        for (QAbstractButton *b : box->buttons())
            seen->buttons.append(b->text());
        seen->defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        seen->escapeButton = box->escapeButton() ? box->escapeButton()->text() : QString();
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->format = box->textFormat();
        seen->modality = box->windowModality();
        seen->cursorOverridden = QApplication::overrideCursor() != nullptr;
        act(box);
    });
}

struct SinkToList final : MessageSink {
    void take(const MessageBox &box) override { taken.append(box.text); }
    QStringList taken;
};

MessageBox boxOf(QChar kind, const QString &text)
{
    return MessageBox{kind, u"Orvane大学图书馆"_s, text, messageStyle(kind)};
}

} // namespace

class QtPrompterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void kinds_data()
    {
        QTest::addColumn<QChar>("kind");
        QTest::addColumn<int>("icon");
        QTest::addColumn<bool>("withCancel");
        QTest::addColumn<QString>("defaultButton");
        QTest::newRow("E") << QChar(u'E') << int(QMessageBox::Critical) << false << u"确定"_s;
        QTest::newRow("I") << QChar(u'I') << int(QMessageBox::Information) << false << u"确定"_s;
        QTest::newRow("W") << QChar(u'W') << int(QMessageBox::Warning) << true << u"取消"_s;
        QTest::newRow("Q") << QChar(u'Q') << int(QMessageBox::Question) << true << u"取消"_s;
        QTest::newRow("S") << QChar(u'S') << int(QMessageBox::Question) << true << u"确定"_s;
        QTest::newRow("other") << QChar(u'Z') << int(QMessageBox::Critical) << false << u"确定"_s;
    }
    void kinds()
    {
        QFETCH(QChar, kind);
        QFETCH(int, icon);
        QFETCH(bool, withCancel);
        QFETCH(QString, defaultButton);
        QtPrompter prompter;
        const QStringList buttons = withCancel ? QStringList{u"确定"_s, u"取消"_s} : QStringList{u"确定"_s};
        for (const QString &press : buttons) {
            Seen seen;
            whenBoxOpens(&seen,
                         [press](QMessageBox *box) { QTest::mouseClick(buttonWithText(box, press), Qt::LeftButton); });
            const int answer = prompter.showMessage(boxOf(kind, u"第一行\n第二行"_s));
            QVERIFY(seen.found);
            QCOMPARE(answer, press == u"确定"_s ? AnswerOk : AnswerCancel);
            QCOMPARE(int(seen.icon), icon);
            QCOMPARE(seen.buttons, buttons);
            QCOMPARE(seen.defaultButton, defaultButton);
            QCOMPARE(seen.title, u"Orvane大学图书馆"_s);
            QCOMPARE(seen.text, u"第一行\n第二行"_s);
            QVERIFY(seen.modality != Qt::NonModal);
        }
    }

    // Escape is Cancel where there is one, else OK.
    void escape()
    {
        QtPrompter prompter;
        for (QChar kind : {u'W', u'Q', u'S', u'E', u'I'}) {
            Seen seen;
            whenBoxOpens(&seen, [](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); });
            const bool question = messageStyle(kind).buttons == MessageStyle::Buttons::OkCancel;
            QCOMPARE(prompter.showMessage(boxOf(kind, u"按 Esc"_s)), question ? AnswerCancel : AnswerOk);
            QVERIFY(seen.found);
        }
    }

    // The three-way question: 是 (the default), 否 and 取消 answer Yes, No and
    // Cancel, Escape is Cancel; a collector of messages lets it through.
    void yesNoCancel()
    {
        QtPrompter prompter;
        const QList<QPair<QString, int>> presses = {
            {u"是"_s, AnswerYes}, {u"否"_s, AnswerNo}, {u"取消"_s, AnswerCancel}};
        for (const auto &[press, expected] : presses) {
            Seen seen;
            whenBoxOpens(&seen,
                         [press](QMessageBox *box) { QTest::mouseClick(buttonWithText(box, press), Qt::LeftButton); });
            QCOMPARE(prompter.showMessage(boxOf(u'Y', u"保存修改吗？"_s)), expected);
            QStringList buttons = seen.buttons;
            buttons.sort();
            QCOMPARE(buttons, QStringList({u"取消"_s, u"否"_s, u"是"_s}));
            QCOMPARE(seen.defaultButton, u"是"_s);
            QCOMPARE(int(seen.icon), int(QMessageBox::Question));
        }
        Seen seen;
        whenBoxOpens(&seen, [](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(prompter.showMessage(boxOf(u'Y', u"按 Esc"_s)), AnswerCancel);

        ScriptedPrompter scripted;
        RecordingSoundPlayer sounds;
        InstallFolders folders;
        Messages messages(scripted, sounds, folders);
        SinkToList sink;
        messages.setSink(&sink);
        scripted.answer(AnswerNo);
        QCOMPARE(messages.showMsg(u"Y保存修改吗？"_s), AnswerNo);
        QCOMPARE(scripted.lastText(), u"保存修改吗？"_s);
        QVERIFY(sink.taken.isEmpty());
        QVERIFY(scripted.done());
    }

    // Database texts and SQL hold "<" and "&"; they are shown as they are.
    void textIsPlain()
    {
        QtPrompter prompter;
        Seen seen;
        whenBoxOpens(&seen, [](QMessageBox *box) { box->escapeButton()->click(); });
        prompter.showMessage(boxOf(u'E', u"where a<b and c>0 & <i>"_s));
        QVERIFY(seen.found);
        QCOMPARE(seen.format, Qt::PlainText);
    }

    // The hourglass goes away while the person reads the box, and comes back.
    void busyPointer()
    {
        QtPrompter prompter;
        prompter.setBusy(true);
        prompter.setBusy(true);
        Seen seen;
        whenBoxOpens(&seen, [](QMessageBox *box) { box->escapeButton()->click(); });
        prompter.showMessage(boxOf(u'I', u"忙"_s));
        QVERIFY(seen.found);
        QVERIFY(!seen.cursorOverridden);
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        prompter.setBusy(false);
        QVERIFY(QApplication::overrideCursor() != nullptr);
        prompter.setBusy(false);
        prompter.setBusy(false); // one too many changes nothing
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    // No audio device here: playing must neither block nor fail loudly.
    void soundsNeverStopAnything()
    {
        QTemporaryDir dir;
        QFile bad(dir.path() + u"/bad.wav"_s);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("RIFF not really a wave file");
        bad.close();
        QtSoundPlayer player;
        QElapsedTimer timer;
        timer.start();
        player.play(dir.path() + u"/missing.wav"_s);
        player.play(bad.fileName());
        player.play(bad.fileName());
        QTest::qWait(50);
        QVERIFY(timer.elapsed() < 5000);
    }
};

KESTRA_TEST(QtPrompterTest)
#include "QtPrompterTest.moc"
