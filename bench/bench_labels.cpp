// Labels: how many a second the renderer makes of a 7-object label with two barcodes and an
// image (the shared fixture part-label.glabels), as the PDF page of a CUPS queue and as the
// ZPL graphic of a 203-dpi socket printer; then the label output's whole step of a lot
// request (Printvars from SQLite, fill, render, send to a socket printer); resident memory
// along 10,000 labels.
// Run: bench_labels [labels]  (ETIKOR_TESTDATA: the shared test data, default ../shared/testdata)

#include "AppSettings.h"
#include "GlabelsProgram.h"
#include "GlabelsReader.h"
#include "LabelImage.h"
#include "LabelPdf.h"
#include "LabelPrint.h"
#include "LabelPrinter.h"
#include "LogWriter.h"
#include "PrintControls.h"
#include "PrintRequest.h"
#include "PrintvarsQuery.h"
#include "ResidentMemory.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
// A socket printer that takes every job and closes, as fast as it can.
class SinkPrinter {
public:
    SinkPrinter()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        ::bind(m_fd, reinterpret_cast<sockaddr *>(&a), length);
        ::listen(m_fd, 16);
        ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&a), &length);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] {
            char buffer[65536];
            while (!m_stop) {
                const int c = ::accept(m_fd, nullptr, nullptr);
                if (c < 0)
                    continue;
                while (::read(c, buffer, sizeof buffer) > 0) {
                }
                ::close(c);
            }
        });
    }
    ~SinkPrinter()
    {
        m_stop = true;
        ::shutdown(m_fd, SHUT_RDWR);
        ::close(m_fd);
        m_thread.join();
    }
    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

struct NoLog : LogWriter {
    void writeLog(const QString &, bool, bool) override {}
};

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(p / 100.0 * double(v.size())))];
}

template <typename F> void rate(const char *what, int count, F &&make)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i)
        make(i);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("%-34s %8.0f labels/s  (%d in %.2f s)\n", what, count / seconds, count, seconds);
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int count = argc > 1 ? std::max(10, std::atoi(argv[1])) : 10000;
    const QString data = qEnvironmentVariable(
        "ETIKOR_TESTDATA", QStringLiteral(ETIKOR_SOURCE_DIR "/../shared/testdata"));
    const QString folder = data + QStringLiteral("/labels");
    const auto layout = GlabelsReader::read(folder + QStringLiteral("/part-label.glabels"));
    if (!layout) {
        std::fprintf(stderr, "no layout in %s\n", qPrintable(folder));
        return 1;
    }
    const LabelRenderer renderer(*layout, folder);
    const auto values = [](int i) {
        return LabelValues{{QStringLiteral("PartNo"), QStringLiteral("P-%1").arg(1000 + i % 9000)},
                           {QStringLiteral("Description"), QStringLiteral("Hydraulic pump 24V")},
                           {QStringLiteral("Lot"), QStringLiteral("L2024-%1").arg(i)},
                           {QStringLiteral("Photo"), QStringLiteral("pump.png")}};
    };
    const long rss0 = residentKb();
    rate("rendered as PDF page", count / 10,
         [&](int i) { (void)LabelPdf::render(renderer, values(i)); });
    rate("rendered as 203-dpi ZPL graphic", count / 10,
         [&](int i) { (void)LabelPrinter::zpl(LabelImage::render(renderer, values(i), 203)); });

    // The label output's step of a lot request, through the real pieces.
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Layout"));
    QFile::copy(folder + QStringLiteral("/part-label.glabels"),
                dir.filePath(QStringLiteral("Layout/labelshop.lab")));
    QFile::copy(folder + QStringLiteral("/pump.png"), dir.filePath(QStringLiteral("pump.png")));
    const QString db = dir.filePath(QStringLiteral("druck.db"));
    {
        QSqlDatabase sql =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("b"));
        sql.setDatabaseName(db);
        sql.open();
        QSqlQuery q(sql);
        q.exec(QStringLiteral(
            "CREATE TABLE Druckdaten (LosName TEXT, TeileNr INTEGER, Printvars TEXT)"));
        q.exec(QStringLiteral("INSERT INTO Druckdaten VALUES ('L1', 7, '<L><PartNo>P-1001</PartNo>"
                              "<Lot>L2024-117</Lot><Description>Pump</Description>"
                              "<Photo>pump.png</Photo></L>')"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("b"));
    SinkPrinter printer;
    AppSettings settings;
    settings.labelshop = 1;
    settings.labelshopPath = dir.path();
    settings.outputCount = 1;
    settings.printerName = QStringLiteral("socket://127.0.0.1:%1").arg(printer.port());
    PrintControls controls;
    controls.serverPath = db;
    NoLog log;
    PrintRequest request;
    LabelPrinter labelPrinter(settings, 203);
    LabelPrint output({settings,
                       controls,
                       log,
                       request,
                       [&](QString &) -> std::unique_ptr<LabelProgram> {
                           return std::make_unique<GlabelsProgram>(
                               [&](const LabelRenderer &r, const LabelValues &v) {
                                   return labelPrinter.print(r, v);
                               });
                       },
                       [&](const QString &lot, qint32 part) {
                           return PrintvarsQuery::read(controls.serverPath, {}, lot, part);
                       },
                       {}});
    std::vector<double> ms;
    long rss1000 = 0;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer t;
        t.start();
        if (output.labelPrint(QStringLiteral("L1"), 7, false) != 0) {
            std::fprintf(stderr, "request %d failed: %s\n", i,
                         qPrintable(controls.caption(PrintControls::Label::lblError)));
            return 1;
        }
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        if (i == 999)
            rss1000 = residentKb();
    }
    std::printf("label step of a lot request        p50 %.1f ms  p99 %.1f ms  max %.1f ms  (%d)\n",
                percentile(ms, 50), percentile(ms, 99), percentile(ms, 100), count);
    std::printf("resident memory                    start %ld kB, after 1,000 requests %ld kB, "
                "after %d %ld kB\n",
                rss0, rss1000, count, residentKb());
    return 0;
}
