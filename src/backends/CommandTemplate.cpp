#include "CommandTemplate.h"

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

} // namespace

CommandTemplate::CommandTemplate(const QString &commandLine)
    : m_pieces(split(commandLine))
{
}

QList<CommandTemplate::Piece> CommandTemplate::split(const QString &commandLine)
{
    QList<Piece> pieces;
    Piece current;
    bool inPiece = false;
    bool inQuotes = false;
    for (const QChar c : commandLine) {
        if (c == u'"') {
            inQuotes = !inQuotes;
            current.quoted = true;
            inPiece = true;
        } else if (isBlank(c) && !inQuotes) {
            if (inPiece)
                pieces.append(std::exchange(current, {}));
            inPiece = false;
        } else {
            current.text += c;
            inPiece = true;
        }
    }
    // An unclosed quote runs to the end of the line, as it did on the Windows stations.
    if (inPiece)
        pieces.append(current);
    return pieces;
}

QStringList CommandTemplate::fill(const QString &var) const
{
    QStringList filled;
    for (const Piece &piece : m_pieces) {
        const QString text = fillPiece(piece.text, var);
        if (!text.isEmpty() || piece.quoted)
            filled.append(text);
    }
    return filled;
}

QString CommandTemplate::fillPiece(const QString &piece, const QString &var)
{
    QString text = piece;
    if (var.contains(u'#')) {
        const QStringList fields = var.split(u'#');
        for (qsizetype i = 0; i < fields.size(); ++i)
            text.replace(u"#~"_s + QString::number(i + 1) + u"~#"_s, fields.at(i));
    } else {
        text.replace(u"#~#"_s, var);
    }
    // An apostrophe ends a string literal in the PLC's language, so PLC programs send a
    // degree sign where the command needs one.
    text.replace(u'\u00B0', u'\'');
    return text;
}

QString CommandTemplate::displayLine(const QStringList &pieces)
{
    QStringList shown;
    for (const QString &piece : pieces) {
        const bool needsQuotes =
            piece.isEmpty() || std::any_of(piece.begin(), piece.end(), isBlank);
        shown.append(needsQuotes ? u'"' + piece + u'"' : piece);
    }
    return shown.join(u' ');
}
