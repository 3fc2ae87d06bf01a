#include "JetValue.h"

#include <QStringDecoder>
#include <QtEndian>
#include <cmath>
#include <mdbtools.h>

using namespace Qt::StringLiterals;

namespace JetValue {

namespace {

QString compressedUnicode(QByteArrayView bytes)
{
    QString result;
    result.reserve(bytes.size());
    bool compressed = true;
    for (qsizetype i = 2; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == 0) {
            compressed = !compressed;
        } else if (compressed) {
            result.append(QChar(char16_t(byte)));
        } else if (i + 1 < bytes.size()) {
            result.append(QChar(char16_t(byte | static_cast<unsigned char>(bytes[i + 1]) << 8)));
            ++i;
        }
    }
    return result;
}

// Access pads some texts of its own (query expressions) with a terminating zero.
QString withoutTrailingZeros(QString text)
{
    while (text.endsWith(QChar(u'\0')))
        text.chop(1);
    return text;
}

QString decoded(QByteArrayView bytes, bool jet3, int codePage)
{
    if (jet3) {
        const QByteArray name = "windows-" + QByteArray::number(codePage > 0 ? codePage : 1252);
        QStringDecoder decoder(name.constData());
        if (!decoder.isValid())
            return QString::fromLatin1(bytes);
        return decoder.decode(bytes);
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return compressedUnicode(bytes);
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.data()), bytes.size() / 2);
}

} // namespace

QString text(QByteArrayView bytes, bool jet3, int codePage)
{
    QString result = withoutTrailingZeros(decoded(bytes, jet3, codePage));
    if (result.isNull())
        result = u""_s; // an empty text is not a null
    return result;
}

QDateTime dateTime(double days)
{
    // Access keeps dates from the year 100 to 9999; anything else is a damaged value.
    if (!(days >= -657435.0 && days <= 2958466.0))
        return {};
    const double whole = std::trunc(days);
    const double fraction = std::fabs(days - whole);
    const auto milliseconds = static_cast<int>(std::llround(fraction * 86400000.0));
    const QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(whole));
    return QDateTime(date, QTime(0, 0)).addMSecs(milliseconds);
}

double currency(QByteArrayView bytes)
{
    if (bytes.size() < 8)
        return 0;
    return double(qFromLittleEndian<qint64>(bytes.data())) / 10000.0;
}

int fieldType(int jetType)
{
    switch (jetType) {
    case MDB_BOOL:
        return 11;
    case MDB_BYTE:
        return 17;
    case MDB_INT:
        return 2;
    case MDB_LONGINT:
        return 3;
    case MDB_MONEY:
        return 6;
    case MDB_FLOAT:
        return 4;
    case MDB_DOUBLE:
        return 5;
    case MDB_DATETIME:
        return 7;
    case MDB_BINARY:
        return 204;
    case MDB_TEXT:
        return 202;
    case MDB_OLE:
        return 205;
    case MDB_MEMO:
        return 203;
    case MDB_REPID:
        return 72;
    case MDB_NUMERIC:
        return 131;
    default:
        return 0;
    }
}

QMetaType metaType(int jetType)
{
    switch (jetType) {
    case MDB_BOOL:
        return QMetaType(QMetaType::Bool);
    case MDB_BYTE: // Qt SQL drivers know no unsigned char
    case MDB_INT:
        return QMetaType(QMetaType::Short);
    case MDB_LONGINT:
    case MDB_COMPLEX:
        return QMetaType(QMetaType::Int);
    case MDB_FLOAT:
        return QMetaType(QMetaType::Float);
    case MDB_MONEY:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        return QMetaType(QMetaType::Double);
    case MDB_DATETIME:
        return QMetaType(QMetaType::QDateTime);
    case MDB_BINARY:
    case MDB_OLE:
        return QMetaType(QMetaType::QByteArray);
    default:
        return QMetaType(QMetaType::QString);
    }
}

} // namespace JetValue
