#include "AppSettings.h"
#include "CommandOutput.h"
#include "PrintRequest.h"
#include "Prompt.h"
#include "TestPrint.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// Answers the input box with the prepared answers in turn (nothing: cancelled) and keeps
// what each box offered as its default.
struct AnsweringPrompt : Prompt {
    QList<std::optional<QString>> answers;
    QStringList asked;
    Answer message(const QString &, const QString &, Buttons, bool) override { return Answer::Ok; }
    QString saveFileName(const QString &preset) override { return preset; }
    std::optional<QString> input(const QString &prompt, const QString &title,
                                 const QString &defaultText) override
    {
        asked << prompt + u'|' + title + u'|' + defaultText;
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }
};

struct RecordingCommand : CommandOutput {
    QStringList calls;
    qint32 callCommand(const QString &var) override
    {
        calls << var;
        return 0;
    }
};
} // namespace

// The test print from the menu: the prompt, the remembered entry, the split of a lot entry
// and which output it reaches.
class TstTestPrint : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void splitsTheLotEntry_data();
    void splitsTheLotEntry();
    void lotPrintRemembersTheEntry();
    void commandPrintAndCancel();
};

void TstTestPrint::splitsTheLotEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("lot");
    QTest::addColumn<int>("part");
    QTest::newRow("lot and part") << u"L4711 12"_s << u"L4711"_s << 12;
    QTest::newRow("lot alone") << u"L4711"_s << u"L4711"_s << 0;
    QTest::newRow("two blanks") << u"L4711  12"_s << u"L4711"_s << 0;
    QTest::newRow("leading digits") << u"L1 12abc"_s << u"L1"_s << 12;
    QTest::newRow("rounded") << u"L1 2.5"_s << u"L1"_s << 2;
    QTest::newRow("beyond 32 bits") << u"L1 9999999999"_s << u"L1"_s << 0;
    QTest::newRow("no number") << u"L1 abc"_s << u"L1"_s << 0;
}

void TstTestPrint::splitsTheLotEntry()
{
    QFETCH(QString, entry);
    QFETCH(QString, lot);
    QFETCH(int, part);
    QString losName;
    qint32 teileNr = -1;
    TestPrint::splitLotEntry(entry, losName, teileNr);
    QCOMPARE(losName, lot);
    QCOMPARE(teileNr, part);
}

void TstTestPrint::lotPrintRemembersTheEntry()
{
    AppSettings settings;
    PrintRequest request;
    request.EtikettenType = 3;
    AnsweringPrompt prompt;
    RecordingCommand command;
    QStringList lookups;
    TestPrint print(
        {settings, request, prompt, command, [&](const QString &lot, qint32 part, CommLink *link) {
             lookups << u"%1/%2/%3"_s.arg(lot).arg(part).arg(link == nullptr);
             return 0;
         }});
    prompt.answers = {u"L9 4"_s, std::nullopt};
    print.run();
    print.run();
    QCOMPARE(lookups, QStringList{u"L9/4/1"_s});
    QCOMPARE(prompt.asked,
             (QStringList{u"Los TeileNr:|Testdruck|"_s, u"Los TeileNr:|Testdruck|L9 4"_s}));
    QCOMPARE(request.LosName, u"L9"_s);
    QCOMPARE(request.EtikettenType, qint16(3)); // the rest of the last request stays
    QCOMPARE(print.remembered(), QString());    // a cancel leaves an empty default
    QVERIFY(command.calls.isEmpty());
}

void TstTestPrint::commandPrintAndCancel()
{
    AppSettings settings;
    settings.commandLine = u"tool #~#"_s;
    PrintRequest request;
    AnsweringPrompt prompt;
    RecordingCommand command;
    bool looked = false;
    TestPrint print({settings, request, prompt, command, [&](const QString &, qint32, CommLink *) {
                         looked = true;
                         return 0;
                     }});
    prompt.answers = {u"WA 17"_s, u""_s};
    print.run();
    print.run();
    QCOMPARE(command.calls, QStringList{u"WA 17"_s});
    QCOMPARE(prompt.asked.first(), u"WA-Nr:|Testdruck|"_s);
    QVERIFY(!looked);
}

QTEST_GUILESS_MAIN(TstTestPrint)
#include "tst_testprint.moc"
