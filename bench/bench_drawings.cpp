// Drawings: how many a second the drawing output turns into the PDF page a CUPS queue gets
// (load, metafile to SVG, paint on the page), for a WMF of a few thousand records as CAD
// exports are, and for the station's remnant label (written, then printed); resident memory
// along 10,000 drawings. The CUPS submission itself is left out: it is the queue's time.
// Run: bench_drawings [drawings]

#include "Drawing.h"
#include "DrawingPage.h"
#include "RemnantLabel.h"
#include "ResidentMemory.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>
#include <cstdio>

namespace {

void put16(QByteArray &b, int v)
{
    const auto u = quint16(v);
    b.append(char(u & 0xFF)).append(char(u >> 8));
}

void put32(QByteArray &b, quint32 v)
{
    put16(b, int(v & 0xFFFF));
    put16(b, int(v >> 16));
}

void record(QByteArray &b, int function, std::initializer_list<int> params)
{
    put32(b, quint32(3 + params.size()));
    put16(b, function);
    for (int p : params)
        put16(b, p);
}

// A placeable WMF of 100 x 50 mm (1440 units an inch) drawing a hatched part outline: records
// records of moves and lines.
QByteArray cadExport(int records)
{
    QByteArray body;
    record(body, 0x020B, {0, 0});       // SETWINDOWORG
    record(body, 0x020C, {2835, 5669}); // SETWINDOWEXT
    for (int i = 0; i < records / 2; ++i) {
        const double a = i * 0.05;
        const int x = int(2834 + 2600 * std::cos(a) * (1 - i / double(records)));
        const int y = int(1417 + 1300 * std::sin(a) * (1 - i / double(records)));
        record(body, 0x0214, {y, x});                     // MOVETO
        record(body, 0x0213, {y + 40 * (i % 3), x + 40}); // LINETO
    }
    record(body, 0x0000, {}); // EOF
    QByteArray header;
    put16(header, 1);
    put16(header, 9);
    put16(header, 0x0300);
    put32(header, quint32((18 + body.size()) / 2));
    put16(header, 0);
    put32(header, 5);
    put16(header, 0);
    QByteArray placeable;
    put32(placeable, 0x9AC6CDD7u);
    for (int v : {0, 0, 0, 5669, 2835, 1440})
        put16(placeable, v);
    put32(placeable, 0);
    quint16 checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^= qFromLittleEndian<quint16>(placeable.constData() + i);
    put16(placeable, checksum);
    return placeable + header + body;
}

double perSecond(int n, qint64 ns)
{
    return n / (double(ns) / 1e9);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int n = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    const QByteArray wmf = cadExport(3000);
    Failure failure;
    if (!Drawing::fromBytes(wmf, failure)) {
        std::fprintf(stderr, "the benchmark's WMF does not load: %s\n",
                     qPrintable(failure.description));
        return 1;
    }
    DrawingPage::Options options;
    options.landscape = true;
    options.fit = true;
    std::printf("WMF of 3000 records, %lld bytes\n", static_cast<long long>(wmf.size()));
    const long before = residentKb();
    QElapsedTimer clock;
    clock.start();
    qint64 bytes = 0;
    for (int i = 1; i <= n; ++i) {
        const auto drawing = Drawing::fromBytes(wmf, failure);
        bytes += DrawingPage::pdf(*drawing, options).size();
        if (i == 1000 || i == n)
            std::printf("after %5d drawings: RSS %ld kB (start %ld kB)\n", i, residentKb(), before);
    }
    std::printf("WMF to PDF page: %.0f drawings/s (%lld PDF bytes each)\n",
                perSecond(n, clock.nsecsElapsed()), static_cast<long long>(bytes / n));

    QTemporaryDir dir;
    const QString rest = dir.filePath(QStringLiteral("RestETK.emf"));
    const int labels = std::max(1, n / 10);
    clock.restart();
    for (int i = 0; i < labels; ++i) {
        RemnantLabel::write(rest, {QString::number(1000 + i), QStringLiteral("P-40x20"),
                                   QStringLiteral("RAL 9016")});
        const auto drawing = Drawing::load(rest, failure);
        DrawingPage::pdf(*drawing, {});
    }
    std::printf("remnant label written and put on a page: %.0f labels/s\n",
                perSecond(labels, clock.nsecsElapsed()));
    return 0;
}
