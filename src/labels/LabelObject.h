#pragma once

#include <QList>
#include <QString>
#include <array>

// A piece of a text object's content: fixed text, or the value of a merge field.
struct LabelTextPiece {
    bool isField = false;
    QString text; // the text, or the field's name
    bool operator==(const LabelTextPiece &) const = default;
};
using LabelTextLine = QList<LabelTextPiece>;

// One object of a label layout as gLabels describes it. Lengths are in points (1/72 inch),
// positions relative to the label's top left corner; colours are RGBA (0xRRGGBBAA). The
// matrix (a0..a5, as gLabels writes it) maps the object's own coordinates onto the label
// around its position: x' = a0 x + a2 y + a4, y' = a1 x + a3 y + a5.
struct LabelObject {
    enum class Kind { Text, Barcode, Image, Box, Line, Ellipse };
    enum class HAlign { Left, Center, Right };
    enum class VAlign { Top, Middle, Bottom };

    Kind kind = Kind::Box;
    double x = 0;
    double y = 0;
    double w = 0; // a line: its dx
    double h = 0; // a line: its dy
    std::array<double, 6> matrix{1, 0, 0, 1, 0, 0};

    // The merge field that is the object's whole content, by which the station addresses
    // it: a text of that one field, a barcode's data or an image's file from that field.
    // Empty for an object with fixed or mixed content.
    QString field;

    // Text: lines of pieces. A text of width 0 takes the width its lines need.
    QList<LabelTextLine> lines;
    QString fontFamily = QStringLiteral("Sans");
    double fontSize = 10; // points, as rendered
    bool bold = false;
    bool italic = false;
    bool underline = false;
    double lineSpacing = 1;
    HAlign align = HAlign::Left;
    VAlign valign = VAlign::Top;
    bool autoShrink = false;
    bool wrap = false; // gLabels 4: lines wrap at the object's width

    // Barcode: gLabels' backend and style names, the data (fixed, or the field's value).
    QString backend;
    QString style;
    QString data;
    bool showText = true;
    bool checksum = true;

    // Image: the file, relative to the layout's folder or absolute.
    QString file;

    // Colours: text and barcode colour; shapes' line and fill.
    quint32 color = 0x000000ff;
    double lineWidth = 0;
    quint32 lineColor = 0x000000ff;
    quint32 fillColor = 0;

    bool shadow = false;
    double shadowX = 0;
    double shadowY = 0;
    quint32 shadowColor = 0x000000ff;
    double shadowOpacity = 0.5;
};
