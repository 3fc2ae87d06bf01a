// The communication log under load: 100,000 stamped entries with their rollovers and a
// system-log reader that keeps up, then the cost of an entry while the history box follows
// the file, and of loading the whole file into the box (start-up, a rollover).
// Run: QT_QPA_PLATFORM=offscreen bench_commlog

#include "AppEventLog.h"
#include "AppSettings.h"
#include "CommLog.h"
#include "LogBackup.h"
#include "MainWindow.h"
#include "MessageQueue.h"
#include "PrintControls.h"
#include "SyslogSocket.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Reads the station's system-log datagrams as fast as a log daemon would.
class DrainingSyslog {
public:
    explicit DrainingSyslog(const QByteArray &path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.constData());
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
        ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof(address));
        timeval tick{0, 100000};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &tick, sizeof(tick));
        m_thread = std::thread([this] {
            std::vector<char> buffer(256 * 1024);
            while (!m_stop)
                if (::recv(m_fd, buffer.data(), buffer.size(), 0) > 0)
                    ++received;
        });
    }
    ~DrainingSyslog()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    std::atomic<long> received{0};

private:
    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[size_t(p * double(v.size() - 1))];
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString socketPath = dir.filePath(QStringLiteral("log"));
    DrainingSyslog reader(socketPath.toLocal8Bit());

    PrintControls controls;
    controls.modulName = QStringLiteral("Bench");
    controls.commLogFile = dir.filePath(QStringLiteral("EtikorComm-Bench-.dat"));
    SyslogSocket socket(QStringLiteral("Etikor"), socketPath);
    AppEventLog eventLog(socket, controls);
    MessageQueue queue(eventLog);
    LogBackup backup(controls, dir.path(), queue, [](bool) { return true; });
    CommLog log(controls, queue, eventLog, backup, [] { return true; });

    const int entries = 100000;
    std::vector<double> micros;
    micros.reserve(entries);
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < entries; ++i) {
        QElapsedTimer one;
        one.start();
        log.writeLog(QStringLiteral(" Anforderung Los: L%1 TeileNr: 4711  Raw: 3 ms").arg(i), true,
                     false);
        micros.push_back(double(one.nsecsElapsed()) / 1000.0);
    }
    const double seconds = double(total.nsecsElapsed()) / 1e9;
    const auto backups = QDir(backup.backupFolder()).entryList(QDir::Files).size();
    std::printf("writeLog, stamped, no history box: %d entries in %.2f s = %.0f entries/s\n",
                entries, seconds, entries / seconds);
    std::printf("  per entry: median %.1f us, p99 %.1f us, max %.1f us; %lld rollovers; "
                "%ld system-log entries received\n",
                percentile(micros, 0.5), percentile(micros, 0.99),
                *std::max_element(micros.begin(), micros.end()), qlonglong(backups),
                reader.received.load());

    // The history box: every entry refreshes the window's text box from the file.
    AppSettings settings;
    MainWindow window(controls, settings);
    log.setHistoryView(&window);
    controls.setCheck(PrintControls::CheckBox::chkHistory, 1);
    controls.setCheck(PrintControls::CheckBox::chkRefresh, 1);
    for (const qint64 target : {64000, 320000, 630000}) {
        QFile::remove(controls.commLogFile);
        while (QFileInfo(controls.commLogFile).size() < target)
            log.writeLog(QString(70, QLatin1Char('x')), false, false);
        std::vector<double> refresh;
        for (int i = 0; i < 20; ++i) {
            QElapsedTimer one;
            one.start();
            log.writeLog(QStringLiteral(" Anforderung"), true, false);
            refresh.push_back(double(one.nsecsElapsed()) / 1e6);
        }
        QElapsedTimer whole;
        whole.start();
        window.loadLog(controls.commLogFile);
        const double loadMs = double(whole.nsecsElapsed()) / 1e6;
        std::printf("log of %lld bytes: writeLog with the box refreshed median %.2f ms, max %.2f "
                    "ms; whole file into the box %.2f ms\n",
                    qlonglong(target), percentile(refresh, 0.5),
                    *std::max_element(refresh.begin(), refresh.end()), loadMs);
    }
    return 0;
}
