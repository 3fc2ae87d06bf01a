#include "TestPrint.h"

#include "AppSettings.h"
#include "CommandOutput.h"
#include "PrintRequest.h"
#include "Prompt.h"
#include "VbConvert.h"

#include <QStringList>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

TestPrint::TestPrint(Parts parts)
    : m_parts(std::move(parts))
{
}

void TestPrint::run()
{
    if (!m_parts.settings.commandLine.isEmpty()) {
        const QString barcode = ask(u"WA-Nr:"_s);
        if (!barcode.isEmpty())
            m_parts.command.callCommand(barcode);
        return;
    }
    const QString entry = ask(u"Los TeileNr:"_s);
    if (entry.isEmpty())
        return;
    splitLotEntry(entry, m_parts.request.LosName, m_parts.request.TeileNr);
    if (m_parts.lookupPrint)
        m_parts.lookupPrint(m_parts.request.LosName, m_parts.request.TeileNr, nullptr);
}

QString TestPrint::ask(const QString &promptText)
{
    m_remembered =
        m_parts.prompt.input(promptText, u"Testdruck"_s, m_remembered).value_or(QString());
    return m_remembered;
}

void TestPrint::splitLotEntry(const QString &entry, QString &losName, qint32 &teileNr)
{
    const QStringList pieces = entry.split(u' ');
    losName = pieces.at(0).trimmed();
    const double number = pieces.size() > 1 ? VbConvert::leadingNumber(pieces.at(1)) : 0.0;
    // Rounded half to even like the stations' integer conversion; beyond 32 bits it is 0.
    const double rounded = std::nearbyint(number);
    teileNr = rounded >= std::numeric_limits<qint32>::min() &&
                      rounded <= std::numeric_limits<qint32>::max()
                  ? qint32(rounded)
                  : 0;
}
