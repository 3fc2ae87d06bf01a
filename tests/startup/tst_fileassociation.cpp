#include "DesktopEntry.h"
#include "FileAssociation.h"
#include "RegistryStore.h"

#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString kProgram = u"/opt/Etikor Station/etikor"_s;
const QString kType = u"application/x-etikor-dcnf"_s;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The desktop tools belong to the test environment: in CI (CI set, and not "false" or "0") a
// missing one fails the test, elsewhere the check is skipped.
std::optional<QByteArray> run(const char *name, const QStringList &arguments)
{
    const QString program = QStandardPaths::findExecutable(QString::fromLatin1(name));
    const QByteArray ci = qgetenv("CI"), why = QByteArray(name) + " is not installed";
    if (program.isEmpty()) {
        if (ci.isEmpty() || ci == "false" || ci == "0")
            QTest::qSkip(why.constData(), __FILE__, __LINE__);
        else
            QTest::qFail(why.constData(), __FILE__, __LINE__);
        return std::nullopt;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool succeeded = process.waitForFinished(60000) && process.exitCode() == 0;
    return (succeeded ? "" : "failed: ") + process.readAll().trimmed();
}

} // namespace

class TestFileAssociation : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    RegistryStore m_store{m_dir.filePath(u"registry.reg"_s)};

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(u"data"_s)));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(u"config"_s)));
        // Without a named desktop, xdg-mime answers from the freedesktop files themselves.
        for (const char *name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                 "GNOME_DESKTOP_SESSION_ID"})
            qunsetenv(name);
        QVERIFY(FileAssociation(m_store).registerFileType(u"DCNF"_s, kProgram));
    }

    void mimeTypeResolves_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("isConfiguration");
        QTest::newRow("lower case") << u"x.dcnf"_s << true;
        QTest::newRow("as Windows writes it") << u"X.DCNF"_s << true;
        QTest::newRow("backup") << u"x.dcnf.bak"_s << false;
    }
    void mimeTypeResolves()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, isConfiguration);
        const QMimeType type =
            QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
        QCOMPARE(type.name() == kType, isConfiguration);
        // Outside a named desktop xdg-mime asks "mimetype"; file(1), its fallback, knows no globs.
        if (!run("mimetype", {u"--version"_s}))
            return;
        const QString sample = m_dir.filePath(fileName);
        writeFile(sample, "[Server]\r\nModulName=Linie3\r\n");
        if (const auto answer = run("xdg-mime", {u"query"_s, u"filetype"_s, sample}))
            QCOMPARE(*answer == kType.toUtf8(), isConfiguration);
    }

    void installedFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("part");
        QTest::newRow("class keys")
            << m_dir.filePath(u"registry.reg"_s)
            << QByteArray("[HKEY_CLASSES_ROOT\\.DCNF]\r\n@=\"DCNF_auto_file\"\r\n\r\n"
                          "[HKEY_CLASSES_ROOT\\DCNF_auto_file]\r\n\r\n"
                          "[HKEY_CLASSES_ROOT\\DCNF_auto_file\\DefaultIcon]\r\n"
                          "@=\"/opt/Etikor Station/etikor,0\"\r\n\r\n"
                          "[HKEY_CLASSES_ROOT\\DCNF_auto_file\\Shell]\r\n\r\n"
                          "[HKEY_CLASSES_ROOT\\DCNF_auto_file\\Shell\\Open]\r\n\r\n"
                          "[HKEY_CLASSES_ROOT\\DCNF_auto_file\\Shell\\Open\\Command]\r\n"
                          "@=\"\\\"/opt/Etikor Station/etikor\\\" \\\"%1\\\"\"\r\n\r\n");
        const QString desktop = m_dir.filePath(u"data/applications/etikor.desktop"_s);
        QTest::newRow("exec") << desktop
                              << QByteArray("\nExec=\"/opt/Etikor Station/etikor\" %f\n");
        QTest::newRow("mime type")
            << desktop << QByteArray("\nMimeType=application/x-etikor-dcnf;\n");
    }
    void installedFiles()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, part);
        const QByteArray content = readFile(path);
        QVERIFY2(content.contains(part), qPrintable(path + u'\n' + QString::fromUtf8(content)));
    }

    void desktopEntryValidates()
    {
        const QString desktop = m_dir.filePath(u"data/applications/etikor.desktop"_s);
        if (const auto complaints = run("desktop-file-validate", {desktop}))
            QCOMPARE(*complaints, QByteArray());
    }

    // Registering again with another mimeapps.list: other applications' entries stay as they are.
    void defaultApplication_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        const QByteArray entry = "application/x-etikor-dcnf=etikor.desktop\n";
        QTest::newRow("no group") << QByteArray("[Added Associations]\nx/y=a;\n")
                                  << "[Added Associations]\nx/y=a;\n\n[Default Applications]\n" +
                                         entry;
        QTest::newRow("group in the middle")
            << "[Default Applications]\nx/y=a\n\n[Removed Associations]\n" + entry
            << "[Default Applications]\nx/y=a\n" + entry + "\n[Removed Associations]\n" + entry;
        QTest::newRow("replaces the old handler")
            << QByteArray(
                   "[Default Applications]\napplication/x-etikor-dcnf = old.desktop;\nx/y=a\n")
            << "[Default Applications]\n" + entry + "x/y=a\n";
    }
    void defaultApplication()
    {
        QFETCH(QByteArray, before);
        const QString list = m_dir.filePath(u"config/mimeapps.list"_s);
        writeFile(list, before);
        QVERIFY(FileAssociation(m_store).registerFileType(u"DCNF"_s, kProgram));
        QTEST(readFile(list), "after");
    }
};

QTEST_GUILESS_MAIN(TestFileAssociation)
#include "tst_fileassociation.moc"
