#include "PrinterSource.h"

#include "PrinterList.h"

PrinterSource PrinterSource::system()
{
    return {&PrinterList::destinations, &PrinterList::defaultDestination};
}
