#include "GlabelsObjectReader.h"

#include "GlabelsValues.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {
// gLabels 4 writes font sizes at three quarters of what gLabels 3 wrote for the same look.
constexpr double kFormat4FontScale = 4.0 / 3.0;

// ${name} in gLabels 4 texts and barcode data.
const QRegularExpression &fieldPattern()
{
    static const QRegularExpression pattern(u"\\$\\{([^}]*)\\}"_s);
    return pattern;
}

LabelTextLine piecesOf(const QString &text)
{
    LabelTextLine line;
    qsizetype at = 0;
    for (const QRegularExpressionMatch &m : fieldPattern().globalMatch(text)) {
        if (m.capturedStart() > at)
            line.append({false, text.mid(at, m.capturedStart() - at)});
        line.append({true, m.captured(1)});
        at = m.capturedEnd();
    }
    if (at < text.size())
        line.append({false, text.mid(at)});
    return line;
}

// The field that is a whole text, if it is one.
QString soleField(const QList<LabelTextLine> &lines)
{
    if (lines.size() == 1 && lines.first().size() == 1 && lines.first().first().isField)
        return lines.first().first().text;
    return {};
}
} // namespace

GlabelsObjectReader::GlabelsObjectReader(QXmlStreamReader &xml, int format)
    : m_xml(xml)
    , m_format(format)
{
}

std::optional<LabelObject> GlabelsObjectReader::read(QString &error)
{
    LabelObject object;
    if (!readKind(object) || !readGeometry(object)) {
        error = m_error;
        return std::nullopt;
    }
    readShadow(object);
    switch (object.kind) {
    case LabelObject::Kind::Text:
        readTextStyle(object);
        m_format == 3 ? readText3(object) : readText4(object);
        object.field = soleField(object.lines);
        return object;
    case LabelObject::Kind::Barcode:
        readBarcode(object);
        break;
    case LabelObject::Kind::Image:
        readImage(object);
        break;
    default:
        readShapeStyle(object);
        break;
    }
    m_xml.skipCurrentElement();
    return object;
}

bool GlabelsObjectReader::readKind(LabelObject &object)
{
    using K = LabelObject::Kind;
    static const QList<std::pair<QStringView, K>> kinds = {
        {u"Object-text", K::Text},   {u"Object-barcode", K::Barcode},
        {u"Object-image", K::Image}, {u"Object-box", K::Box},
        {u"Object-line", K::Line},   {u"Object-ellipse", K::Ellipse}};
    for (const auto &[name, kind] : kinds) {
        if (m_xml.name() == name) {
            object.kind = kind;
            return true;
        }
    }
    return fail(u"an object <%1> is not supported"_s.arg(m_xml.name().toString()));
}

bool GlabelsObjectReader::readGeometry(LabelObject &object)
{
    const bool line = object.kind == LabelObject::Kind::Line;
    const auto x = length("x", true), y = length("y", true);
    const auto w = length(line ? "dx" : "w", !line), h = length(line ? "dy" : "h", !line);
    if (!x || !y || (!line && (!w || !h)))
        return false;
    object.x = *x;
    object.y = *y;
    object.w = w.value_or(0);
    object.h = h.value_or(0);
    for (int i = 0; i < 6; ++i) {
        const QString name = u"a%1"_s.arg(i);
        bool ok = false;
        const double value = m_xml.attributes().value(name).toDouble(&ok);
        if (ok)
            object.matrix[size_t(i)] = value;
    }
    return true;
}

void GlabelsObjectReader::readShadow(LabelObject &object)
{
    const QXmlStreamAttributes a = m_xml.attributes();
    object.shadow = GlabelsValues::flag(a.value("shadow"_L1));
    object.shadowX = length("shadow_x", false).value_or(0);
    object.shadowY = length("shadow_y", false).value_or(0);
    object.shadowColor = color("shadow_color", object.shadowColor);
    bool ok = false;
    const double opacity = a.value("shadow_opacity"_L1).toDouble(&ok);
    if (ok)
        object.shadowOpacity = opacity;
}

void GlabelsObjectReader::readShapeStyle(LabelObject &object)
{
    object.lineWidth = length("line_width", false).value_or(0);
    object.lineColor = color("line_color", object.lineColor);
    object.fillColor = color("fill_color", object.fillColor);
}

void GlabelsObjectReader::readTextStyle(LabelObject &object)
{
    using H = LabelObject::HAlign;
    using V = LabelObject::VAlign;
    const QXmlStreamAttributes a = m_xml.attributes();
    const QString align = a.value(m_format == 3 ? "justify"_L1 : "align"_L1).toString().toLower();
    object.align = align == u"center"_s ? H::Center : align == u"right"_s ? H::Right : H::Left;
    const QString valign = a.value("valign"_L1).toString().toLower();
    object.valign = valign == u"center"_s || valign == u"middle"_s ? V::Middle
                    : valign == u"bottom"_s                        ? V::Bottom
                                                                   : V::Top;
    object.autoShrink = GlabelsValues::flag(a.value("auto_shrink"_L1));
    object.wrap = m_format == 4 && a.value("wrap"_L1) != u"none";
    // gLabels 3 keeps the font on the text's <Span>, gLabels 4 on the object.
    if (m_format == 4)
        readFont(object, kFormat4FontScale);
}

void GlabelsObjectReader::readFont(LabelObject &object, double sizeScale)
{
    const QXmlStreamAttributes a = m_xml.attributes();
    if (a.hasAttribute("font_family"_L1))
        object.fontFamily = a.value("font_family"_L1).toString();
    bool ok = false;
    const double size = a.value("font_size"_L1).toDouble(&ok);
    if (ok && size > 0)
        object.fontSize = size * sizeScale;
    object.bold = a.value("font_weight"_L1).compare(u"bold", Qt::CaseInsensitive) == 0;
    object.italic = GlabelsValues::flag(a.value("font_italic"_L1));
    object.underline = GlabelsValues::flag(a.value("font_underline"_L1));
    object.color = color("color", object.color);
    const double spacing = a.value("line_spacing"_L1).toDouble(&ok);
    if (ok && spacing > 0)
        object.lineSpacing = spacing;
}

// <Span …>fixed text<Field name="X"/><NL/>…</Span>, spans possibly inside each other; the font
// is the first span's. Text that is only the file's indentation is no content.
void GlabelsObjectReader::readText3(LabelObject &object)
{
    object.lines = {LabelTextLine()};
    bool fontRead = false;
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() != "Span"_L1) {
            m_xml.skipCurrentElement();
            continue;
        }
        if (!std::exchange(fontRead, true))
            readFont(object, 1.0);
        readSpan(object);
    }
    if (object.lines.size() == 1 && object.lines.first().isEmpty())
        object.lines.clear();
}

void GlabelsObjectReader::readSpan(LabelObject &object)
{
    while (!m_xml.atEnd()) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        if (token == QXmlStreamReader::EndElement)
            return;
        if (token == QXmlStreamReader::Characters) {
            const QString text = m_xml.text().toString();
            if (!(text.trimmed().isEmpty() && text.contains(u'\n')))
                object.lines.last().append({false, text});
        } else if (token == QXmlStreamReader::StartElement) {
            if (m_xml.name() == "Field"_L1) {
                object.lines.last().append({true, m_xml.attributes().value("name"_L1).toString()});
                m_xml.skipCurrentElement();
            } else if (m_xml.name() == "NL"_L1) {
                object.lines.append(LabelTextLine());
                m_xml.skipCurrentElement();
            } else if (m_xml.name() == "Span"_L1) {
                readSpan(object);
            } else {
                m_xml.skipCurrentElement();
            }
        }
    }
}

// <p>Part: ${PartNo}</p>, one paragraph a line.
void GlabelsObjectReader::readText4(LabelObject &object)
{
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == "p"_L1)
            object.lines.append(piecesOf(m_xml.readElementText()));
        else
            m_xml.skipCurrentElement();
    }
}

void GlabelsObjectReader::readBarcode(LabelObject &object)
{
    const QXmlStreamAttributes a = m_xml.attributes();
    object.backend = a.value("backend"_L1).toString();
    object.style = a.value("style"_L1).toString();
    object.showText = GlabelsValues::flag(a.value("text"_L1));
    object.checksum = GlabelsValues::flag(a.value("checksum"_L1));
    object.color = color("color", object.color);
    object.field = a.value("field"_L1).toString();
    object.data = a.value("data"_L1).toString();
    // gLabels 4 writes a barcode from one field as the data "${X}".
    const QRegularExpressionMatch whole = fieldPattern().match(object.data);
    if (object.field.isEmpty() && whole.hasMatch() &&
        whole.capturedLength() == object.data.size()) {
        object.field = whole.captured(1);
        object.data.clear();
    }
}

void GlabelsObjectReader::readImage(LabelObject &object)
{
    const QXmlStreamAttributes a = m_xml.attributes();
    object.file = a.value("src"_L1).toString();
    object.field = a.value(m_format == 3 ? "field"_L1 : "src_field"_L1).toString();
}

std::optional<double> GlabelsObjectReader::length(const char *name, bool required)
{
    const QStringView text = m_xml.attributes().value(QLatin1StringView(name));
    if (text.isEmpty() && !required)
        return std::nullopt;
    const auto points = GlabelsValues::length(text);
    if (!points && required)
        fail(u"<%1> has no length %2"_s.arg(m_xml.name().toString(), QLatin1StringView(name)));
    return points;
}

quint32 GlabelsObjectReader::color(const char *name, quint32 fallback) const
{
    return GlabelsValues::color(m_xml.attributes().value(QLatin1StringView(name)))
        .value_or(fallback);
}

bool GlabelsObjectReader::fail(const QString &why)
{
    m_error = u"line %1: "_s.arg(m_xml.lineNumber()) + why;
    return false;
}
