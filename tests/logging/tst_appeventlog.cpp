#include "AppEventLog.h"
#include "FakePrompt.h"
#include "MessageQueue.h"
#include "PrintControls.h"
#include "SyslogReceiver.h"
#include "SyslogSocket.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// The event log and the queue over a socket to a receiver of the test's own; a socket named
// other than the receiver reaches no system log.
struct Logs {
    explicit Logs(const QTemporaryDir &dir, const QString &socketName = u"log"_s)
        : receiver(dir.filePath(u"log"_s))
        , socket(u"Etikor"_s, dir.filePath(socketName))
    {
    }
    SyslogReceiver receiver;
    SyslogSocket socket;
    PrintControls controls;
    AppEventLog log{socket, controls};
    MessageQueue queue{log};
};
} // namespace

// The tagged system-log entries and the operator's queue, read back from a syslog socket
// of the test's own.
class TstAppEventLog : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void entry_data()
    {
        QTest::addColumn<QString>("modulName");
        QTest::addColumn<int>("evType");
        QTest::addColumn<QByteArray>("priority");
        QTest::newRow("error") << u"Line1"_s << 1 << QByteArray("<11>");
        QTest::newRow("warning") << u"Line1"_s << 2 << QByteArray("<12>");
        QTest::newRow("information") << u"Line1"_s << 4 << QByteArray("<14>");
        QTest::newRow("3 is information") << u"Line1"_s << 3 << QByteArray("<14>");
        QTest::newRow("0, empty module") << QString() << 0 << QByteArray("<14>");
    }
    void entry()
    {
        QFETCH(QString, modulName);
        QFETCH(int, evType);
        QFETCH(QByteArray, priority);
        Logs logs(m_dir);
        QVERIFY(logs.receiver.isBound());
        logs.controls.modulName = modulName;
        logs.log.writeAppLogEvent(u"Grüße"_s, evType);

        const QList<QByteArray> got = logs.receiver.take();
        QCOMPARE(got.size(), 1);
        QVERIFY2(got[0].startsWith(priority), got[0].constData());
        const QByteArray ident =
            "Etikor[" + QByteArray::number(QCoreApplication::applicationPid()) + "]: ";
        const QString text = QString::fromUtf8(got[0].mid(got[0].indexOf(ident) + ident.size()));
        const QString head =
            u"<User>Etikor</User>  <Area>%1</Area>  <Msg>Etikor / %1 / Grüße</Msg>  <Date>"_s;
        QVERIFY2(text.startsWith(head.arg(modulName)), qPrintable(text));
        QVERIFY(text.endsWith(u"</Time>  "_s));
    }

    void longEntryIsCut()
    {
        // 30,000 characters plus "...": the closing tags are lost.
        const QDateTime moment(QDate(2026, 12, 4), QTime(15, 48, 23));
        const QString entry = AppEventLog::entryText(QString(30000, u'a'), u"M"_s, moment);
        QCOMPARE(entry.size(), 30003);
        QVERIFY(entry.endsWith(u"aaa..."_s));
        QVERIFY(
            AppEventLog::entryText(u"x"_s, u"M"_s, moment).contains(u"<Time>15:48:23</Time>  "_s));
    }

    void addMessage_data()
    {
        QTest::addColumn<int>("meldeArt");
        QTest::addColumn<QString>("bereich");
        QTest::addColumn<int>("pendingNumber");
        QTest::addColumn<QString>("pendingHelp");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("area");
        QTest::addColumn<QString>("helpFile");
        QTest::addColumn<int>("helpContext");
        QTest::addColumn<bool>("flagMsgBox");

        QTest::newRow("kind 1, nothing pending")
            << 1 << QString() << 0 << QString() << u"Meldung"_s << u"Line1 Etikor"_s
            << u"OrvaneAppl.chm"_s << 0 << false;
        QTest::newRow("kind 3, failure 53, no area")
            << 3 << QString() << 53 << QString() << u"Error: readProd 53 Meldung"_s << u"readProd"_s
            << u"OrvaneAppl.chm"_s << 0 << true;
        QTest::newRow("kind 3 keeps a given area")
            << 3 << u"Disk"_s << 7 << QString() << u"Error: Disk 7 Meldung"_s << u"Disk"_s
            << u"OrvaneAppl.chm"_s << 0 << true;
        QTest::newRow("kind 1 takes the failure's help")
            << 1 << QString() << 5 << u"x.HLP"_s << u"Meldung"_s << QString() << u"x.HLP"_s << 12
            << false;
    }
    void addMessage()
    {
        QFETCH(int, meldeArt);
        QFETCH(QString, bereich);
        QFETCH(int, pendingNumber);
        QFETCH(QString, pendingHelp);
        Logs logs(m_dir);
        logs.queue.setApplicationTitle(u"Line1 Etikor"_s);

        QString text = u"Meldung"_s;
        bool flag = false;
        const Failure pending{pendingNumber, u"readProd"_s, u"d"_s, pendingHelp, 12};
        logs.queue.addMessage(meldeArt, text, bereich, 0, flag, QString(), pending);

        QCOMPARE(logs.queue.size(), 1);
        const LogDaten &r = logs.queue.msgQueue().first();
        QTEST(r.meldetext, "text");
        QTEST(r.bereich, "area");
        QTEST(r.helpFile, "helpFile");
        QTEST(r.helpContext, "helpContext");
        QTEST(r.flagMsgBox, "flagMsgBox");
        // The caller's variables carry what was made of them.
        QCOMPARE(text, r.meldetext);
        QCOMPARE(bereich, r.bereich);
        QCOMPARE(flag, r.flagMsgBox);
        // Only a message that came with a failure goes to the system log.
        const QList<QByteArray> got = logs.receiver.take();
        QCOMPARE(got.size(), pendingNumber ? 1 : 0);
        if (pendingNumber)
            QVERIFY(got[0].endsWith(r.meldetext.toUtf8()));
    }

    void refusedEntryIsReported()
    {
        Logs logs(m_dir, u"nobody"_s);
        MessageQueue &queue = logs.queue;
        FakePrompt prompt;
        queue.setOverflowPrompt(&prompt);

        queue.addMessage(1, u"no failure"_s, QString(), 0, false, QString());
        QVERIFY(prompt.messages.isEmpty());
        queue.addMessage(3, u"t"_s, QString(), 0, false, QString(), Failure{9, u"s"_s, {}, {}, 0});
        QCOMPARE(prompt.messages.size(), 1);
        QVERIFY(prompt.messages[0].startsWith(u"Application eventlogger overflow !   \r\n"_s));
        QVERIFY(prompt.messages[0].contains(u"nobody"_s));
        QCOMPARE(queue.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TstAppEventLog)
#include "tst_appeventlog.moc"
