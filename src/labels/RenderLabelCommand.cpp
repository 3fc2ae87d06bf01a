#include "RenderLabelCommand.h"

#include "GlabelsReader.h"
#include "LabelImage.h"
#include "LabelPdf.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {
constexpr int kDefaultDpi = 203;

int usage(const QString &why)
{
    std::fprintf(stderr,
                 "etikor: %s\nusage: etikor --render-label LAYOUT [FIELD=VALUE...] -o "
                 "OUT.pdf|OUT.png [--dpi N]\n",
                 qUtf8Printable(why));
    return 2;
}

struct Request {
    QString layout;
    QString output;
    int dpi = kDefaultDpi;
    LabelValues values;
};

std::optional<Request> parse(const QStringList &arguments, QString &why)
{
    Request request;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if ((a == u"-o"_s || a == u"--dpi"_s) && i + 1 >= arguments.size()) {
            why = a + u" needs a value"_s;
            return std::nullopt;
        }
        if (a == u"-o"_s) {
            request.output = arguments[++i];
        } else if (a == u"--dpi"_s) {
            request.dpi = arguments[++i].toInt();
        } else if (a.contains(u'=')) {
            request.values.insert(a.section(u'=', 0, 0), a.section(u'=', 1));
        } else if (request.layout.isEmpty()) {
            request.layout = a;
        } else {
            why = u"unexpected argument "_s + a;
            return std::nullopt;
        }
    }
    if (request.layout.isEmpty() || request.output.isEmpty())
        why = u"a layout and an output file (-o) are needed"_s;
    else if (request.dpi < 72 || request.dpi > 1200)
        why = u"--dpi takes 72 to 1200"_s;
    else if (!request.output.endsWith(u".pdf"_s, Qt::CaseInsensitive) &&
             !request.output.endsWith(u".png"_s, Qt::CaseInsensitive))
        why = u"the output is a .pdf or a .png file"_s;
    if (!why.isEmpty())
        return std::nullopt;
    return request;
}
} // namespace

namespace RenderLabelCommand {

int run(const QStringList &arguments)
{
    QString why;
    const auto request = parse(arguments, why);
    if (!request)
        return usage(why);
    const auto layout = GlabelsReader::read(request->layout, &why);
    if (!layout) {
        std::fprintf(stderr, "etikor: %s\n", qUtf8Printable(why));
        return 1;
    }
    const LabelRenderer renderer(*layout, QFileInfo(request->layout).absolutePath());
    QStringList problems;
    bool written = false;
    if (request->output.endsWith(u".pdf"_s, Qt::CaseInsensitive)) {
        QFile file(request->output);
        const QByteArray pdf = LabelPdf::render(renderer, request->values, &problems);
        written = file.open(QIODevice::WriteOnly) && file.write(pdf) == pdf.size();
    } else {
        written = LabelImage::render(renderer, request->values, request->dpi, &problems)
                      .save(request->output);
    }
    for (const QString &problem : problems)
        std::fprintf(stderr, "etikor: %s\n", qUtf8Printable(problem));
    if (!written)
        std::fprintf(stderr, "etikor: %s cannot be written\n", qUtf8Printable(request->output));
    return written && problems.isEmpty() ? 0 : 1;
}

} // namespace RenderLabelCommand
