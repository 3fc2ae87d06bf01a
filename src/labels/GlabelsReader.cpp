#include "GlabelsReader.h"

#include "GlabelsObjectReader.h"
#include "GlabelsValues.h"
#include "Gzip.h"

#include <QFile>
#include <QXmlStreamReader>
#include <utility>

using namespace Qt::StringLiterals;

namespace {
constexpr auto kRoot = "Glabels-document"_L1;

bool fail(QString &error, const QString &why)
{
    error = why;
    return false;
}

// A required length attribute, in points.
bool lengthOf(const QXmlStreamReader &xml, QLatin1StringView name, double &points, QString &error)
{
    const auto value = GlabelsValues::length(xml.attributes().value(name));
    if (!value)
        return fail(error, u"line %1: <%2> has no length %3"_s.arg(xml.lineNumber())
                               .arg(xml.name().toString(), QString(name)));
    points = *value;
    return true;
}
} // namespace

bool GlabelsReader::isLayout(const QByteArray &bytes)
{
    QString ignored;
    const auto xml = document(bytes, &ignored);
    if (!xml)
        return false;
    QXmlStreamReader reader(*xml);
    return reader.readNextStartElement() && reader.name() == kRoot;
}

std::optional<LabelLayout> GlabelsReader::read(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = path + u": "_s + file.errorString();
        return std::nullopt;
    }
    QString why;
    auto layout = file.size() > kLargestLayout ? std::nullopt : parse(file.readAll(), &why);
    if (!layout && error)
        *error = path + u": "_s + (why.isEmpty() ? u"too large for a label layout"_s : why);
    return layout;
}

std::optional<LabelLayout> GlabelsReader::parse(const QByteArray &bytes, QString *error)
{
    QString why;
    const auto xml = document(bytes, &why);
    LabelLayout layout;
    bool ok = false;
    if (xml) {
        QXmlStreamReader reader(*xml);
        ok = readRoot(reader, layout, why);
        if (ok && reader.hasError())
            ok = fail(why, u"line %1: %2"_s.arg(reader.lineNumber()).arg(reader.errorString()));
    }
    if (!ok) {
        if (error)
            *error = why;
        return std::nullopt;
    }
    return layout;
}

std::optional<QByteArray> GlabelsReader::document(const QByteArray &bytes, QString *error)
{
    if (!Gzip::isCompressed(bytes))
        return bytes;
    auto inflated = Gzip::inflate(bytes, kLargestLayout);
    if (!inflated)
        *error = u"a damaged or oversized compressed file"_s;
    return inflated;
}

bool GlabelsReader::readRoot(QXmlStreamReader &xml, LabelLayout &layout, QString &error)
{
    if (!xml.readNextStartElement() || xml.name() != kRoot)
        return fail(error, u"not a gLabels layout"_s);
    const QStringView ns = xml.namespaceUri();
    if (ns == u"http://glabels.org/xmlns/2.3/" || ns == u"http://glabels.org/xmlns/3.0/")
        layout.format = 3;
    else if (xml.attributes().value("version"_L1).startsWith(u"4."))
        layout.format = 4;
    else
        return fail(error, u"a gLabels layout of a version this station does not read"_s);
    bool haveTemplate = false;
    while (xml.readNextStartElement()) {
        if (xml.name() == "Template"_L1) {
            if (!readTemplate(xml, layout, error))
                return false;
            haveTemplate = true;
        } else if (xml.name() == "Objects"_L1) {
            if (!readObjects(xml, layout, error))
                return false;
        } else {
            xml.skipCurrentElement();
        }
    }
    if (!haveTemplate && !xml.hasError())
        return fail(error, u"the layout names no label size (no <Template>)"_s);
    return true;
}

bool GlabelsReader::readTemplate(QXmlStreamReader &xml, LabelLayout &layout, QString &error)
{
    bool haveShape = false;
    while (xml.readNextStartElement()) {
        if (xml.name().startsWith(u"Label-") && !haveShape) {
            if (!readLabelShape(xml, layout, error))
                return false;
            haveShape = true;
        } else {
            xml.skipCurrentElement();
        }
    }
    if (!haveShape && !xml.hasError())
        return fail(error, u"the layout's template has no label"_s);
    return true;
}

bool GlabelsReader::readLabelShape(QXmlStreamReader &xml, LabelLayout &layout, QString &error)
{
    const QStringView kind = xml.name();
    if (kind == u"Label-rectangle") {
        layout.shape = LabelLayout::Shape::Rectangle;
        if (!lengthOf(xml, "width"_L1, layout.width, error) ||
            !lengthOf(xml, "height"_L1, layout.height, error))
            return false;
        layout.round = GlabelsValues::length(xml.attributes().value("round"_L1)).value_or(0);
    } else if (kind == u"Label-ellipse") {
        layout.shape = LabelLayout::Shape::Ellipse;
        if (!lengthOf(xml, "width"_L1, layout.width, error) ||
            !lengthOf(xml, "height"_L1, layout.height, error))
            return false;
    } else if (kind == u"Label-round" || kind == u"Label-cd") {
        layout.shape = LabelLayout::Shape::Round;
        double radius = 0;
        if (!lengthOf(xml, "radius"_L1, radius, error))
            return false;
        layout.width = layout.height = 2 * radius;
    } else {
        return fail(error,
                    u"line %1: a label of the shape <%2> is not supported"_s.arg(xml.lineNumber())
                        .arg(kind.toString()));
    }
    xml.skipCurrentElement();
    return true;
}

bool GlabelsReader::readObjects(QXmlStreamReader &xml, LabelLayout &layout, QString &error)
{
    // A label rotated on its sheet: its objects were drawn on the turned label.
    if (GlabelsValues::flag(xml.attributes().value("rotate"_L1)))
        std::swap(layout.width, layout.height);
    while (xml.readNextStartElement()) {
        if (!xml.name().startsWith(u"Object-")) {
            xml.skipCurrentElement();
            continue;
        }
        GlabelsObjectReader reader(xml, layout.format);
        auto object = reader.read(error);
        if (!object)
            return false;
        layout.objects.append(std::move(*object));
    }
    return true;
}
