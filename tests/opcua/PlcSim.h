#pragma once

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

// The simulated PLC of tools/plcsim as a child process: started on a free port, driven by its
// standard-input commands, its output read line by line. Waiting for a line keeps the event
// loop running, so a client in the same thread goes on working meanwhile.
class PlcSim {
public:
    ~PlcSim()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.write("quit\n");
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }

    // Starts the simulator with extra command-line options and waits for its ready line;
    // false when it did not come.
    bool start(const QStringList &options = {})
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost))
            return false;
        m_port = probe.serverPort();
        probe.close();
        const QString script =
            QProcessEnvironment::systemEnvironment().value(QStringLiteral("ETIKOR_TEST_SOURCE")) +
            QStringLiteral("/../../tools/plcsim/plcsim.js");
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.setStandardErrorFile(QProcess::nullDevice());
        QStringList arguments{script,
                              QStringLiteral("--module"),
                              QStringLiteral("Line1"),
                              QStringLiteral("--port"),
                              QString::number(m_port),
                              QStringLiteral("--quiet")};
        m_process.start(QStringLiteral("node"), arguments + options);
        return waitForLine(QStringLiteral("ready "), 60000).startsWith(QStringLiteral("ready "));
    }

    QString url() const { return QStringLiteral("opc.tcp://localhost:%1").arg(m_port); }

    // Sends a command line and returns its answer (the next line that is not a report).
    QString command(const QString &line)
    {
        m_process.write(line.toUtf8() + '\n');
        const QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired()) {
            const QString answer = nextLine(int(deadline.remainingTime()));
            if (answer.isEmpty())
                return {};
            if (!isReport(answer))
                return answer;
            m_reports.append(answer);
        }
        return {};
    }

    // As command(), but the answer is awaited in an event loop of its own that sleeps only
    // in the event dispatcher, so a client in this thread reacts at once, as it would in the
    // station: for measurements.
    QString commandServed(const QString &line, int timeoutMs)
    {
        QString answer;
        QEventLoop loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        const auto connection =
            QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &loop, [&] {
                while (answer.isEmpty() && m_process.canReadLine()) {
                    const QString read = QString::fromUtf8(m_process.readLine()).trimmed();
                    if (isReport(read))
                        m_reports.append(read);
                    else
                        answer = read;
                }
                if (!answer.isEmpty())
                    loop.quit();
            });
        m_process.write(line.toUtf8() + '\n');
        loop.exec();
        QObject::disconnect(connection);
        return answer;
    }

    // Waits for a report or answer that starts with prefix (any line for an empty prefix) and
    // returns it; an empty string when none came in time. Lines passed over are dropped,
    // reports collected by command() are looked at first.
    QString waitForLine(const QString &prefix, int timeoutMs)
    {
        for (qsizetype i = 0; i < m_reports.size(); ++i) {
            if (m_reports.at(i).startsWith(prefix))
                return m_reports.takeAt(i);
        }
        const QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            const QString line = nextLine(int(deadline.remainingTime()));
            if (line.isEmpty() || line.startsWith(prefix))
                return line;
        }
        return {};
    }

private:
    // What the simulator prints on its own, between the answers to commands.
    static bool isReport(const QString &line)
    {
        return line.startsWith(QStringLiteral("write ")) || line == QStringLiteral("thawed");
    }

    // The next line the simulator prints; an empty string when none came in time.
    QString nextLine(int timeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (!m_process.canReadLine() && m_process.state() != QProcess::NotRunning &&
               !deadline.hasExpired())
            QTest::qWait(5);
        return m_process.canReadLine() ? QString::fromUtf8(m_process.readLine()).trimmed()
                                       : QString();
    }

    QProcess m_process;
    quint16 m_port = 0;
    QStringList m_reports;
};
