#include "PrinterList.h"

#include "PrintControls.h"

#include <cups/cups.h>

namespace {

QString nameOf(const cups_dest_t &dest)
{
    QString name = QString::fromUtf8(dest.name);
    if (dest.instance)
        name += u'/' + QString::fromUtf8(dest.instance);
    return name;
}

} // namespace

QStringList PrinterList::destinations()
{
    cups_dest_t *dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    QStringList names;
    for (int i = 0; dests && i < count; ++i)
        names.append(nameOf(dests[i]));
    cupsFreeDests(count, dests);
    return names;
}

QString PrinterList::defaultDestination()
{
    // The destination lp prints to without -d. The enumeration's own default mark is not
    // used: libcups drops it when the user's lpoptions merely define an instance.
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    const QString name = dest ? nameOf(*dest) : QString();
    cupsFreeDests(dest ? 1 : 0, dest);
    return name;
}

void PrinterList::loadPrinter(PrintControls &controls)
{
    controls.setPrinters(destinations());
}
