#pragma once

#include <QByteArray>
#include <QString>

// Decodes text in any character set iconv knows (glibc's iconv: "cp850", "ISO-8859-2",
// "UTF-16LE", "Windows-1250", ...), plus the names Windows stations use for UTF-16: "Unicode"
// and "unicodeFFFE". A leading byte-order mark is not part of the text.
class CharsetDecoder {
public:
    explicit CharsetDecoder(const QString &charset);
    ~CharsetDecoder();
    CharsetDecoder(const CharsetDecoder &) = delete;
    CharsetDecoder &operator=(const CharsetDecoder &) = delete;

    // False when the character set was rejected; errorString() says why.
    bool isValid() const;
    QString errorString() const { return m_error; }

    // The text of bytes. A byte sequence the character set does not allow becomes U+FFFD and
    // decoding goes on; problem then describes the first such sequence, else it is left empty.
    QString decode(const QByteArray &bytes, QString &problem) const;

private:
    void *m_iconv;
    QString m_error;
};
