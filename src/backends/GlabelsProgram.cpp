#include "GlabelsProgram.h"

#include "GlabelsReader.h"

#include <QFileInfo>
#include <QSet>

namespace {
// Every field of the document shares one value, as one merge record: the objects showing it
// whole and the mixed texts and barcode data using it.
class FieldObject : public LabelDocObject {
public:
    FieldObject(LabelValues &values, QString field, bool image)
        : m_values(values)
        , m_field(std::move(field))
        , m_image(image)
    {
    }
    int type() const override { return m_image ? kImage : 0; }
    void setFileName(const QString &path) override { m_values.insert(m_field, path); }
    void setValue(const QString &text) override { m_values.insert(m_field, text); }

private:
    LabelValues &m_values;
    QString m_field;
    bool m_image;
};

class GlabelsDocument : public LabelDocument {
public:
    GlabelsDocument(LabelRenderer renderer, GlabelsProgram::Printer printer)
        : m_renderer(std::move(renderer))
        , m_printer(std::move(printer))
    {
        for (const LabelObject &object : m_renderer.layout().objects) {
            if (!object.field.isEmpty() && !m_objects.contains(object.field))
                addObject(object.field, object.kind == LabelObject::Kind::Image);
            for (const LabelTextLine &line : object.lines) {
                for (const LabelTextPiece &piece : line) {
                    if (piece.isField && !m_objects.contains(piece.text))
                        addObject(piece.text, false);
                }
            }
        }
    }

    void closeAll() override {}
    LabelDocObject *docObject(const QString &name) override
    {
        const auto found = m_objects.constFind(name);
        return found == m_objects.cend() ? nullptr : found->get();
    }
    Failure printLabel(int count) override
    {
        for (int i = 0; i < count; ++i) {
            const Failure failure = m_printer(m_renderer, m_values);
            if (failure.pending())
                return failure;
        }
        return {};
    }
    void formFeed() override {} // each label is a page of its own

private:
    void addObject(const QString &field, bool image)
    {
        m_objects.insert(field, std::make_shared<FieldObject>(m_values, field, image));
    }

    LabelRenderer m_renderer;
    GlabelsProgram::Printer m_printer;
    LabelValues m_values;
    QHash<QString, std::shared_ptr<FieldObject>> m_objects;
};
} // namespace

GlabelsProgram::GlabelsProgram(Printer printer)
    : m_printer(std::move(printer))
{
}

std::unique_ptr<LabelDocument> GlabelsProgram::open(const QString &path, QString &description)
{
    auto layout = GlabelsReader::read(path, &description);
    if (!layout)
        return nullptr;
    return std::make_unique<GlabelsDocument>(
        LabelRenderer(std::move(*layout), QFileInfo(path).absolutePath()), m_printer);
}
