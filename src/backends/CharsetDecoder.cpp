#include "CharsetDecoder.h"

#include <array>
#include <cerrno>
#include <iconv.h>

using namespace Qt::StringLiterals;

namespace {

const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);
const QByteArray kReplacement = QByteArrayLiteral("\xEF\xBF\xBD"); // U+FFFD in UTF-8

// Windows calls UTF-16 "Unicode"; iconv's "UNICODE" guesses the byte order instead.
QByteArray iconvName(const QString &charset)
{
    if (charset.compare(u"unicode"_s, Qt::CaseInsensitive) == 0)
        return QByteArrayLiteral("UTF-16LE");
    if (charset.compare(u"unicodeFFFE"_s, Qt::CaseInsensitive) == 0)
        return QByteArrayLiteral("UTF-16BE");
    return charset.toLatin1();
}

QString describeInvalid(qsizetype offset)
{
    return u"%1 at byte %2"_s.arg(qt_error_string(EILSEQ)).arg(offset);
}

} // namespace

CharsetDecoder::CharsetDecoder(const QString &charset)
    : m_iconv(kNoIconv)
{
    const QByteArray name = iconvName(charset);
    iconv_t cd = iconv_open("UTF-8", name.constData());
    if (cd == kNoIconv) {
        m_error = charset + u": "_s + qt_error_string(errno);
        return;
    }
    m_iconv = cd;
}

CharsetDecoder::~CharsetDecoder()
{
    if (isValid())
        iconv_close(static_cast<iconv_t>(m_iconv));
}

bool CharsetDecoder::isValid() const
{
    return m_iconv != kNoIconv;
}

QString CharsetDecoder::decode(const QByteArray &bytes, QString &problem) const
{
    problem.clear();
    if (!isValid())
        return {};
    auto cd = static_cast<iconv_t>(m_iconv);
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // a fresh start for stateful sets
    QByteArray utf8;
    std::array<char, 4096> chunk{};
    char *in = const_cast<char *>(bytes.constData()); // iconv's signature; never written
    size_t inLeft = static_cast<size_t>(bytes.size());
    while (inLeft > 0) {
        char *out = chunk.data();
        size_t outLeft = chunk.size();
        const size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
        const int code = errno;
        utf8.append(chunk.data(), static_cast<qsizetype>(chunk.size() - outLeft));
        if (result != static_cast<size_t>(-1) || code == E2BIG)
            continue;
        // A sequence the set does not allow, or one cut off at the end: that byte is lost,
        // the rest is still decoded.
        if (problem.isEmpty())
            problem = describeInvalid(bytes.size() - static_cast<qsizetype>(inLeft));
        utf8.append(kReplacement);
        ++in;
        --inLeft;
    }
    // What a stateful set still holds.
    char *out = chunk.data();
    size_t outLeft = chunk.size();
    iconv(cd, nullptr, nullptr, &out, &outLeft);
    utf8.append(chunk.data(), static_cast<qsizetype>(chunk.size() - outLeft));

    // fromUtf8 drops a leading byte-order mark, whatever set it came from.
    return QString::fromUtf8(utf8);
}
