#include "AppSettings.h"
#include "CommandOutput.h"
#include "PrintRequest.h"
#include "Prompt.h"
#include "TestPrint.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// Answers the input box with the prepared answers in turn (none left: cancelled) and keeps
// what each box offered as its default.
struct AnsweringPrompt : Prompt {
    QStringList answers;
    QStringList asked;
    Answer message(const QString &, const QString &, Buttons, bool) override { return Answer::Ok; }
    QString saveFileName(const QString &preset) override { return preset; }
    std::optional<QString> input(const QString &prompt, const QString &title,
                                 const QString &defaultText) override
    {
        asked << prompt + u'|' + title + u'|' + defaultText;
        return answers.isEmpty() ? std::nullopt : std::optional(answers.takeFirst());
    }
};

// The outputs reached, in order: "cmd:<text>" or "lot:<lot>/<part>/<no link>".
struct Station : CommandOutput {
    AppSettings settings;
    PrintRequest request;
    AnsweringPrompt prompt;
    QStringList printed;
    TestPrint print{
        {settings, request, prompt, *this, [this](const QString &lot, qint32 part, CommLink *link) {
             printed << u"lot:%1/%2/%3"_s.arg(lot).arg(part).arg(link == nullptr);
             return 0;
         }}};
    qint32 callCommand(const QString &var) override
    {
        printed << u"cmd:"_s + var;
        return 0;
    }
};
} // namespace

// The test print from the menu: the prompt, the remembered entry, the split of a lot entry
// and which output it reaches. Each entry is typed, then the box is cancelled.
class TstTestPrint : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void printsTheEntry_data();
    void printsTheEntry();
};

void TstTestPrint::printsTheEntry_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QStringList>("printed");
    const QString lot;
    QTest::newRow("lot and part") << lot << u"L4711 12"_s << QStringList{u"lot:L4711/12/1"_s};
    QTest::newRow("lot alone") << lot << u"L4711"_s << QStringList{u"lot:L4711/0/1"_s};
    QTest::newRow("two blanks") << lot << u"L4711  12"_s << QStringList{u"lot:L4711/0/1"_s};
    QTest::newRow("leading digits") << lot << u"L1 12abc"_s << QStringList{u"lot:L1/12/1"_s};
    QTest::newRow("rounded") << lot << u"L1 2.5"_s << QStringList{u"lot:L1/2/1"_s};
    QTest::newRow("beyond 32 bits") << lot << u"L1 9999999999"_s << QStringList{u"lot:L1/0/1"_s};
    QTest::newRow("no number") << lot << u"L1 abc"_s << QStringList{u"lot:L1/0/1"_s};
    QTest::newRow("nothing typed") << lot << QString() << QStringList();
    QTest::newRow("command") << u"tool #~#"_s << u"WA 17"_s << QStringList{u"cmd:WA 17"_s};
    QTest::newRow("no command typed") << u"tool #~#"_s << QString() << QStringList();
}

void TstTestPrint::printsTheEntry()
{
    QFETCH(QString, commandLine);
    QFETCH(QString, entry);
    QFETCH(QStringList, printed);
    Station s;
    s.settings.commandLine = commandLine;
    s.request.TeileNr = -1; // a part number that is not set shows
    s.request.EtikettenType = 3;
    s.prompt.answers = {entry};
    s.print.run();
    s.print.run();
    QCOMPARE(s.printed, printed);
    const QString box =
        (commandLine.isEmpty() ? u"Los TeileNr:"_s : u"WA-Nr:"_s) + u"|Testdruck|"_s;
    QCOMPARE(s.prompt.asked, (QStringList{box, box + entry})); // the entry is offered again
    QCOMPARE(s.print.remembered(), QString());                 // a cancel leaves an empty default
    // The lot's values are the request's, and the rest of the last request stays.
    if (!printed.isEmpty() && commandLine.isEmpty())
        QVERIFY(printed.first().startsWith(
            u"lot:%1/%2/"_s.arg(s.request.LosName).arg(s.request.TeileNr)));
    QCOMPARE(s.request.EtikettenType, qint16(3));
}

QTEST_GUILESS_MAIN(TstTestPrint)
#include "tst_testprint.moc"
