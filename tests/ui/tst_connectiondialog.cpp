#include "ConnectionDialog.h"
#include "DatabaseConnection.h"

#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The connection dialog behind "...": a connection string shown in the fields and built back
// from them, and the edit algorithm with the operator's answer and the open that decides.
class TstConnectionDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void showsAStringInItsFieldsAndBuildsItBack_data();
    void showsAStringInItsFieldsAndBuildsItBack();
    void theTextEngineShowsAndReadsTheString();
    void editConnectionString_data();
    void editConnectionString();
    void testButtonShowsTheEnginesAnswer();
    void cmdConnectionText();

private:
    QTemporaryDir m_dir;
    QString m_database;
};

namespace {
QString field(const ConnectionDialog &dialog, const QString &name)
{
    if (const auto *edit = dialog.findChild<QLineEdit *>(name))
        return edit->text();
    const auto *box = dialog.findChild<QComboBox *>(name);
    return box ? box->currentText() : u"<no widget %1>"_s.arg(name);
}

void setField(ConnectionDialog &dialog, const QString &name, const QString &value)
{
    auto *edit = dialog.findChild<QLineEdit *>(name);
    QVERIFY2(edit, qPrintable(name));
    edit->setText(value);
}
} // namespace

void TstConnectionDialog::initTestCase()
{
    QGuiApplication::setApplicationDisplayName(u"Etikor Station 3"_s);
    QVERIFY(m_dir.isValid());
    m_database = m_dir.filePath(u"druck.db"_s);
    QVERIFY(QFile(m_database).open(QIODevice::WriteOnly)); // an empty file is an empty database
}

void TstConnectionDialog::showsAStringInItsFieldsAndBuildsItBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("engine");
    QTest::addColumn<QString>("fields"); // objectName=value|objectName=value
    QTest::addColumn<QString>("built");  // empty: the text itself
    const auto row = [](const char *name, const QString &text, int engine, const QString &fields,
                        const QString &built = {}) {
        QTest::newRow(name) << text << engine << fields << (built.isEmpty() ? text : built);
    };
    using D = ConnectionDialog;
    row("plain path", u"/data/druck.db"_s, D::SqliteFile, u"txtFile=/data/druck.db|txtExtra="_s,
        u"Provider=SQLite;Data Source=/data/druck.db"_s);
    row("jet keeps its provider",
        u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\D\\x.mdb;Persist Security Info=False"_s,
        D::SqliteFile, u"txtFile=C:\\D\\x.mdb|txtExtra=Persist Security Info=False"_s);
    row("quoted file", u"Provider=SQLite;Data Source=\"/a;b/x\"\"y.db\""_s, D::SqliteFile,
        u"txtFile=/a;b/x\"y.db"_s);
    row("postgres",
        u" provider=postgresql; host = db1 ;Port=5433;Database=d;User ID=u;Password=\"p;w\""_s,
        D::PostgreSql,
        u"txtHost=db1|txtPort=5433|txtDatabase=d|txtUser=u|txtPassword=p;w|txtExtra="_s,
        u"Provider=PostgreSQL;Host=db1;Port=5433;Database=d;User ID=u;Password=\"p;w\""_s);
    row("postgres other keys",
        u"Provider=PostgreSQL;Server=db2;UID=u;sslmode=require;Data Source=db3"_s, D::PostgreSql,
        u"txtHost=db2|txtUser=u|txtExtra=sslmode=require;Data Source=db3"_s,
        u"Provider=PostgreSQL;Host=db2;User ID=u;sslmode=require;Data Source=db3"_s);
    row("odbc driver", u"Driver={SQLite3};Database=/x.db"_s, D::Odbc,
        u"cboDriver=SQLite3|txtExtra=Database=/x.db"_s);
    row("odbc dsn", u"DSN=Druck;UID=me"_s, D::Odbc, u"cboDsn=Druck|cboDriver=|txtExtra=UID=me"_s);
    row("other provider", u"Provider=Oracle;Data Source=x"_s, D::ConnectionText,
        u"txtConnectionString=Provider=Oracle;Data Source=x"_s);
    row("empty", QString(), D::SqliteFile, u"txtFile="_s);
}

void TstConnectionDialog::showsAStringInItsFieldsAndBuildsItBack()
{
    QFETCH(QString, text);
    QFETCH(int, engine);
    QFETCH(QString, fields);
    QFETCH(QString, built);
    ConnectionDialog dialog;
    dialog.setConnectionString(text);
    QCOMPARE(int(dialog.engine()), engine);
    QCOMPARE(dialog.findChild<QComboBox *>(u"cboEngine"_s)->currentIndex(), engine);
    for (const QString &entry : fields.split(u'|')) {
        const QString name = entry.section(u'=', 0, 0);
        QCOMPARE(field(dialog, name), entry.section(u'=', 1));
    }
    QCOMPARE(dialog.connectionString(), built);
}

void TstConnectionDialog::theTextEngineShowsAndReadsTheString()
{
    ConnectionDialog dialog;
    dialog.setConnectionString(u"Provider=PostgreSQL;Host=db1;Database=druck"_s);
    setField(dialog, u"txtHost"_s, u"db2"_s);
    dialog.setEngine(ConnectionDialog::ConnectionText);
    QCOMPARE(field(dialog, u"txtConnectionString"_s),
             u"Provider=PostgreSQL;Host=db2;Database=druck"_s);
    setField(dialog, u"txtConnectionString"_s, u"Provider=PostgreSQL;Host=db9;Port=1"_s);
    dialog.setEngine(ConnectionDialog::PostgreSql);
    QCOMPARE(field(dialog, u"txtHost"_s), u"db9"_s);
    QCOMPARE(field(dialog, u"txtDatabase"_s), QString());
    QCOMPARE(dialog.connectionString(), u"Provider=PostgreSQL;Host=db9;Port=1"_s);
}

// The operator's part: which field to set to what, then OK or Cancel.
void TstConnectionDialog::editConnectionString_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("file"); // "*": the real database; empty: left as it is
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("expected"); // "@": the real database's SQLite string
    QTest::addColumn<bool>("failureShown");
    const QString jet =
        u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=*;Persist Security Info=False"_s;
    QTest::newRow("ok with a real file") << u"/old.db"_s << u"*"_s << true << u"@"_s << false;
    QTest::newRow("ok unchanged keeps jet") << jet << QString() << true << jet << false;
    QTest::newRow("missing file") << u"/old.db"_s << u"/nowhere/x.db"_s << true << u"/old.db"_s
                                  << true;
    QTest::newRow("cancel") << jet << u"/nowhere/x.db"_s << false << jet << false;
    QTest::newRow("ok empty") << u"/old.db"_s << u" "_s << true << QString() << false;
}

void TstConnectionDialog::editConnectionString()
{
    QFETCH(QString, given);
    QFETCH(QString, file);
    QFETCH(bool, accept);
    QFETCH(QString, expected);
    QFETCH(bool, failureShown);
    given.replace(u'*', m_database);
    file.replace(u'*', m_database);
    expected.replace(u"@"_s, u"Provider=SQLite;Data Source="_s + m_database);
    expected.replace(u'*', m_database);
    QStringList shown;
    const auto operate = [&](ConnectionDialog &dialog) {
        if (!file.isEmpty())
            setField(dialog, u"txtFile"_s, file.trimmed());
        return accept ? QDialog::Accepted : QDialog::Rejected;
    };
    const auto message = [&](const QString &text, const QString &title) {
        shown << title << text;
    };
    QCOMPARE(ConnectionDialog::editConnectionString(given, nullptr, operate, message), expected);
    const QStringList failure = {u"Etikor Station 3"_s,
                                 u"Connection Failed  Provider=SQLite;Data Source="_s + file};
    QCOMPARE(shown, failureShown ? failure : QStringList());
}

void TstConnectionDialog::testButtonShowsTheEnginesAnswer()
{
    ConnectionDialog dialog;
    auto *result = dialog.findChild<QLabel *>(u"lblTestResult"_s);
    auto *test = dialog.findChild<QPushButton *>(u"cmdTest"_s);
    dialog.setConnectionString(m_database);
    test->click();
    QCOMPARE(result->text(), u"The connection succeeded."_s);
    const QString missing = u"Provider=SQLite;Data Source=/nowhere/x.db"_s;
    dialog.setConnectionString(missing);
    test->click();
    const DatabaseConnection expected(missing);
    QVERIFY(!expected.failure().description.isEmpty());
    QCOMPARE(result->text(), expected.failure().description);
}

void TstConnectionDialog::cmdConnectionText()
{
    QCOMPARE(ConnectionDialog::cmdConnectionText(QString()), QString());
    QCOMPARE(
        ConnectionDialog::cmdConnectionText(u"D:\\x.mdb"_s),
        u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=D:\\x.mdb;Persist Security Info=False"_s);
    for (const QString &kept : {u"  pROVIDER=SQLite;Data Source=x"_s, u"DSN=Druck"_s})
        QCOMPARE(ConnectionDialog::cmdConnectionText(kept), kept);
}

QTEST_MAIN(TstConnectionDialog)
#include "tst_connectiondialog.moc"
