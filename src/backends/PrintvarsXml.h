#pragma once

#include <QList>
#include <QString>
#include <optional>
#include <utility>

// The XML a record's Printvars holds: a root element whose children name the label's objects
// and give their values, and an element "Layout" naming the layout file. The first node of
// the text is taken as the root: a text that begins with an XML declaration or a comment has
// no fields, as on the stations this one replaces.
struct PrintvarsXml {
    // The text of the first element named Layout anywhere; empty when there is none.
    QString layout;
    // The root's child elements other than Layout, in order: tag name and text.
    QList<std::pair<QString, QString>> fields;

    // Nothing, and error says why, when the text is not well-formed XML.
    static std::optional<PrintvarsXml> parse(const QString &text, QString *error = nullptr);
};
