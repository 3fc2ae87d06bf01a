#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The configured command line ("Command-Line"), split into program and arguments before
// anything from the PLC goes into it. Blanks separate the pieces; double quotes group blanks
// into a piece and are removed; "" is an empty piece. The request's command text is filled in
// inside each piece, so a text with blanks or quotes stays one argument and no shell ever
// parses it.
class CommandTemplate {
public:
    explicit CommandTemplate(const QString &commandLine);

    // Program and arguments with the command text var filled in:
    // - var with "#": split at every "#"; field i (from 0) replaces "#~<i+1>~#";
    // - var without "#": var replaces "#~#";
    // then every degree sign becomes an apostrophe. An unquoted piece that the filling leaves
    // empty is dropped, as blanks alone were on a Windows station's command line; a quoted one
    // stays as an empty argument. Empty when the template has no piece at all.
    QStringList fill(const QString &var) const;

    // Program and arguments as one line for the operator: joined by blanks, a piece that is
    // empty or holds blanks in double quotes.
    static QString displayLine(const QStringList &pieces);

private:
    struct Piece {
        QString text;
        bool quoted = false;
    };

    static QList<Piece> split(const QString &commandLine);
    static QString fillPiece(const QString &piece, const QString &var);

    QList<Piece> m_pieces;
};
