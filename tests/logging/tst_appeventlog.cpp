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

// The tagged system-log entries and the operator's queue, read back from a syslog socket
// of the test's own.
class TstAppEventLog : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString socketPath() const { return m_dir.filePath(QStringLiteral("log")); }

private Q_SLOTS:
    void entryText_data();
    void entryText();
    void severityOfEventType_data();
    void severityOfEventType();
    void refusedWhenNoLogListens();
    void addMessage_data();
    void addMessage();
    void overflowIsReported();
    void trimKeepsTheNewest();
};

void TstAppEventLog::entryText_data()
{
    QTest::addColumn<QString>("msg");
    QTest::addColumn<QString>("modulName");
    QTest::addColumn<QString>("head");

    QTest::newRow("module") << u"Druck"_s << u"Line1"_s
                            << u"<User>Etikor</User>  <Area>Line1</Area>  "
                               "<Msg>Etikor / Line1 / Druck</Msg>  <Date>"_s;
    QTest::newRow("empty module") << u"x"_s << QString()
                                  << u"<User>Etikor</User>  <Area></Area>  "
                                     "<Msg>Etikor /  / x</Msg>  <Date>"_s;
}

void TstAppEventLog::entryText()
{
    QFETCH(QString, msg);
    QFETCH(QString, modulName);
    QFETCH(QString, head);
    const QDateTime moment(QDate(2026, 12, 4), QTime(15, 48, 23));
    const QString entry = AppEventLog::entryText(msg, modulName, moment);
    QVERIFY2(entry.startsWith(head), qPrintable(entry));
    QVERIFY(entry.endsWith(u"</Time>  "_s));
    QVERIFY(entry.contains(u"<Time>15:48:23</Time>"_s));
}

void TstAppEventLog::severityOfEventType_data()
{
    QTest::addColumn<int>("evType");
    QTest::addColumn<QByteArray>("priority");
    QTest::newRow("error") << 1 << QByteArray("<11>");
    QTest::newRow("warning") << 2 << QByteArray("<12>");
    QTest::newRow("information") << 4 << QByteArray("<14>");
    QTest::newRow("3 is information") << 3 << QByteArray("<14>");
    QTest::newRow("0 is information") << 0 << QByteArray("<14>");
}

void TstAppEventLog::severityOfEventType()
{
    QFETCH(int, evType);
    QFETCH(QByteArray, priority);
    SyslogReceiver receiver(socketPath());
    QVERIFY(receiver.isBound());
    PrintControls controls;
    controls.modulName = u"Line1"_s;
    SyslogSocket socket(u"Etikor"_s, socketPath());
    AppEventLog log(socket, controls);

    log.writeAppLogEvent(u"Grüße"_s, evType);
    const QList<QByteArray> got = receiver.take();
    QCOMPARE(got.size(), 1);
    QVERIFY2(got[0].startsWith(priority), got[0].constData());
    const QByteArray ident =
        "Etikor[" + QByteArray::number(QCoreApplication::applicationPid()) + "]: ";
    const qsizetype at = got[0].indexOf(ident);
    QVERIFY(at > 0);
    QVERIFY(got[0]
                .mid(at + ident.size())
                .startsWith(
                    u"<User>Etikor</User>  <Area>Line1</Area>  <Msg>Etikor / Line1 / Grüße</Msg>"_s
                        .toUtf8()));
}

void TstAppEventLog::refusedWhenNoLogListens()
{
    PrintControls controls;
    SyslogSocket socket(u"Etikor"_s, m_dir.filePath(u"nobody"_s));
    AppEventLog log(socket, controls);
    const Failure refused = log.writeText(u"x"_s);
    QVERIFY(refused.pending());
    QVERIFY(refused.description.contains(u"nobody"_s));
    // The cut keeps 30,000 characters and marks the cut; the closing tags are lost.
    const QString longEntry = AppEventLog::entryText(QString(30000, u'a'), u"M"_s, {});
    QCOMPARE(longEntry.size(), 30003);
    QVERIFY(longEntry.endsWith(u"aaa..."_s));
}

void TstAppEventLog::addMessage_data()
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
    QTest::addColumn<bool>("toSystemLog");

    QTest::newRow("kind 1, nothing pending")
        << 1 << QString() << 0 << QString() << u"Meldung"_s << u"Line1 Etikor"_s
        << u"OrvaneAppl.chm"_s << 0 << false << false;
    QTest::newRow("kind 3, failure 53, no area")
        << 3 << QString() << 53 << QString() << u"Error: readProd 53 Meldung"_s << u"readProd"_s
        << u"OrvaneAppl.chm"_s << 0 << true << true;
    QTest::newRow("kind 3 keeps a given area")
        << 3 << u"Disk"_s << 7 << QString() << u"Error: Disk 7 Meldung"_s << u"Disk"_s
        << u"OrvaneAppl.chm"_s << 0 << true << true;
    QTest::newRow("kind 1 takes the failure's help")
        << 1 << QString() << 5 << u"x.HLP"_s << u"Meldung"_s << QString() << u"x.HLP"_s << 12
        << false << true;
}

void TstAppEventLog::addMessage()
{
    QFETCH(int, meldeArt);
    QFETCH(QString, bereich);
    QFETCH(int, pendingNumber);
    QFETCH(QString, pendingHelp);
    SyslogReceiver receiver(socketPath());
    PrintControls controls;
    SyslogSocket socket(u"Etikor"_s, socketPath());
    AppEventLog log(socket, controls);
    MessageQueue queue(log);
    queue.setApplicationTitle(u"Line1 Etikor"_s);

    QString text = u"Meldung"_s;
    bool flag = false;
    const Failure pending{pendingNumber, u"readProd"_s, u"d"_s, pendingHelp, 12};
    queue.addMessage(meldeArt, text, bereich, 0, flag, QString(), pending);

    QCOMPARE(queue.size(), 1);
    const LogDaten &r = queue.msgQueue().first();
    QTEST(r.meldetext, "text");
    QTEST(r.bereich, "area");
    QTEST(r.helpFile, "helpFile");
    QTEST(r.helpContext, "helpContext");
    QTEST(r.flagMsgBox, "flagMsgBox");
    QCOMPARE(r.meldeArt, meldeArt);
    // The caller's variables carry what was made of them.
    QCOMPARE(text, r.meldetext);
    QCOMPARE(bereich, r.bereich);
    QCOMPARE(flag, r.flagMsgBox);
    const QList<QByteArray> got = receiver.take();
    QFETCH(bool, toSystemLog);
    QCOMPARE(got.size(), toSystemLog ? 1 : 0);
    if (toSystemLog)
        QVERIFY(got[0].endsWith(r.meldetext.toUtf8()));
}

void TstAppEventLog::overflowIsReported()
{
    PrintControls controls;
    SyslogSocket socket(u"Etikor"_s, m_dir.filePath(u"nobody"_s));
    AppEventLog log(socket, controls);
    MessageQueue queue(log);
    FakePrompt prompt;
    queue.setOverflowPrompt(&prompt);

    queue.addMessage(1, u"no failure"_s, QString(), 0, false, QString());
    QVERIFY(prompt.messages.isEmpty());
    queue.addMessage(3, u"t"_s, QString(), 0, false, QString(), Failure{9, u"s"_s, {}, {}, 0});
    QCOMPARE(prompt.messages.size(), 1);
    QVERIFY(prompt.messages[0].startsWith(u"Application eventlogger overflow !   \r\n"_s));
    QCOMPARE(queue.size(), 2);
}

void TstAppEventLog::trimKeepsTheNewest()
{
    PrintControls controls;
    SyslogSocket socket(u"Etikor"_s, m_dir.filePath(u"nobody"_s));
    AppEventLog log(socket, controls);
    MessageQueue queue(log);
    for (int i = 1; i <= 25; ++i)
        queue.addMessage(1, QString::number(i), QString(), 0, false, QString());
    QCOMPARE(queue.trimTo(MessageQueue::kKept), 5);
    QCOMPARE(queue.size(), 20);
    QCOMPARE(queue.msgQueue().first().meldetext, u"6"_s);
    QCOMPARE(queue.trimTo(MessageQueue::kKept), 0);
}

QTEST_GUILESS_MAIN(TstAppEventLog)
#include "tst_appeventlog.moc"
