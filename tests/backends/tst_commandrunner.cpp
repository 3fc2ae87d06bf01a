#include "AppSettings.h"
#include "CommandRunner.h"
#include "PrintControls.h"
#include "RecordingLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <csignal>

using namespace Qt::StringLiterals;

// Runs real programs. The recorder is a script that writes the arguments it received, each in
// brackets, next to itself, so a row sees exactly what the started program got.
class TestCommandRunner : public QObject {
    Q_OBJECT
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
    AppSettings m_settings;
    PrintControls m_controls;
    RecordingLog m_log;

    void makeFile(const QString &name, const QByteArray &content, bool executable)
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        QVERIFY(!executable || file.setPermissions(file.permissions() | QFile::ExeOwner));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        makeFile(u"rec"_s, "#!/bin/sh\nfor a do printf '[%s]' \"$a\"; done > \"$0.args\"\n", true);
        makeFile(u"text"_s, "just text\n", false);
        makeFile(u"garbage"_s, QByteArray("\x7f\x01\x02garbage", 10), true);
        QVERIFY(QFile::link(path(u"loop"_s), path(u"loop"_s)));
    }

    void init()
    {
        m_settings = AppSettings();
        m_controls.setCheck(PrintControls::CheckBox::chkHistory, 0);
        m_controls.setCaption(PrintControls::Label::lblError, QString());
        m_log.entries.clear();
        QFile::remove(path(u"rec.args"_s));
    }

    void arguments_data()
    {
        QTest::addColumn<QString>("arguments"); // of the template, after the recorder
        QTest::addColumn<QString>("var");
        QTest::addColumn<QString>("received");

        QTest::newRow("fields, one without a field stays")
            << u"#~1~# #~2~# #~3~#"_s << u"A#B"_s << u"[A][B][#~3~#]"_s;
        QTest::newRow("empty first field drops its piece")
            << u"#~1~# #~2~#"_s << u"#B"_s << u"[B]"_s;
        QTest::newRow("quoted empty field stays an argument")
            << u"\"#~1~#\" #~2~#"_s << u"#B"_s << u"[][B]"_s;
        QTest::newRow("no # and no #~#: template unchanged")
            << u"fixed \"two words\" \"\""_s << u"X"_s << u"[fixed][two words][]"_s;
        QTest::newRow("blanks, quotes and shell syntax stay one argument")
            << u"-t #~#"_s << u"say \"hi\"; `id` | a > $(b)"_s
            << u"[-t][say \"hi\"; `id` | a > $(b)]"_s;
        QTest::newRow("degree sign becomes an apostrophe")
            << u"\u00B0x pre#~#"_s << u"a\u00B0b"_s << u"['x][prea'b]"_s;
    }
    void arguments()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, var);
        m_settings.commandLine = u'"' + path(u"rec"_s) + u"\" "_s + arguments;
        CommandRunner runner(m_settings, m_controls, m_log);

        QCOMPARE(runner.callCommand(var), 0);
        QFile args(path(u"rec.args"_s));
        QVERIFY2(args.open(QIODevice::ReadOnly), "the call returned before the program ended");
        QTEST(QString::fromUtf8(args.readAll()), "received");
        QVERIFY(m_log.entries.isEmpty());
        QVERIFY(m_controls.caption(PrintControls::Label::lblError).isEmpty());
    }

    void outcome_data()
    {
        QTest::addColumn<QString>("commandLine"); // as the operator sees it
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");

        const QString dir = m_dir.path();
        QTest::newRow("exit code is no failure") << u"/bin/sh -c \"exit 3\""_s << 0 << QString();
        QTest::newRow("missing program") << u"etikor-no-such-program \"a b\""_s << 2 << QString();
        QTest::newRow("empty template") << QString() << 2 << QString();
        QTest::newRow("missing folder") << dir + u"/nodir/tool"_s << 3 << QString();
        QTest::newRow("file as folder") << dir + u"/text/tool"_s << 3 << QString();
        QTest::newRow("not executable") << dir + u"/text"_s << 5 << QString();
        QTest::newRow("garbage") << dir + u"/garbage"_s << 193 << QString();
        QTest::newRow("other errno") << dir + u"/loop"_s << 10000 + ELOOP << qt_error_string(ELOOP);
    }

    // With chkHistory ticked the command is logged, also when it cannot start; the failure is
    // shown only.
    void outcome()
    {
        QFETCH(QString, commandLine);
        QFETCH(int, code);
        QFETCH(QString, text);
        m_settings.commandLine = commandLine;
        m_controls.setCheck(PrintControls::CheckBox::chkHistory, 1);
        CommandRunner runner(m_settings, m_controls, m_log);

        QCOMPARE(runner.callCommand(u"x"_s), code);
        QCOMPARE(runner.shellError(), code);
        QCOMPARE(runner.shellErrorText(), text);
        QCOMPARE(m_log.entries.size(), 1);
        QCOMPARE(m_log.entries.at(0).str, commandLine);
        const QString shown = m_controls.caption(PrintControls::Label::lblError);
        const QString expected = code == 0
                                     ? QString()
                                     : u" Shell-Error "_s + QString::number(code) +
                                           u"\r\nCommand-Line:"_s + commandLine + u"\r\n"_s + text;
        QVERIFY2(shown.endsWith(expected) && shown.isEmpty() == (code == 0), qPrintable(shown));
    }

    // The shutdown flag ends the wait while events keep flowing; the program goes on running (and
    // is stopped here).
    void exitingEndsTheWait()
    {
        CommandRunner runner(m_settings, m_controls, m_log);
        const QString pidFile = path(u"pid"_s);
        QTimer poll;
        connect(&poll, &QTimer::timeout, this,
                [&] { m_settings.exiting = QFile::exists(pidFile); });
        poll.start(20);

        const QString script = u"echo $$ > '"_s + pidFile + u"'.new; mv '"_s + pidFile +
                               u"'.new '"_s + pidFile + u"'; exec sleep 60"_s;
        QVERIFY(!runner.runProcess(u"/bin/sh"_s, {u"-c"_s, script}, true, false));
        QFile file(pidFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const pid_t pid = file.readAll().trimmed().toInt();
        QVERIFY(pid > 0);
        QCOMPARE(::kill(pid, 0), 0);
        ::kill(pid, SIGKILL);
    }
};

QTEST_GUILESS_MAIN(TestCommandRunner)
#include "tst_commandrunner.moc"
