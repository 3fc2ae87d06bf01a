#include "OpcUaLinkOptions.h"

#include "OptionStore.h"

#include <QUrl>

using namespace Qt::StringLiterals;

namespace {
const QString kArea = u"OPC UA"_s;
constexpr int kDefaultPort = 4840;

int positiveNumber(const QString &text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value > 0 ? value : fallback;
}

// 0 is a choice here (off); only what is not a number takes the default.
int intervalOrOff(const QString &text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= 0 ? value : fallback;
}
} // namespace

OpcUaLinkOptions OpcUaLinkOptions::fromStore(OptionStore &store)
{
    OpcUaLinkOptions options;
    options.endpoint = store.getOption(u"Endpoint"_s, kArea).trimmed();
    options.namespaceSpec = store.getOption(u"Namespace"_s, kArea).trimmed();
    options.prefix = store.getOption(u"Prefix"_s, kArea).trimmed();
    options.timeoutMs = positiveNumber(store.getOption(u"Timeout(ms)"_s, kArea), kDefaultTimeoutMs);
    options.publishingMs =
        positiveNumber(store.getOption(u"Publishing(ms)"_s, kArea), kDefaultPublishingMs);
    options.checkMs = intervalOrOff(store.getOption(u"Check(ms)"_s, kArea), kDefaultCheckMs);
    return options;
}

bool OpcUaLinkOptions::namespaceIsIndex(quint16 &index) const
{
    if (namespaceSpec.isEmpty()) {
        index = kDefaultNamespace;
        return true;
    }
    bool ok = false;
    const uint value = namespaceSpec.toUInt(&ok);
    if (!ok || value > 0xFFFF)
        return false;
    index = quint16(value);
    return true;
}

QString OpcUaLinkOptions::endpointFor(const QString &netId, const QString &port) const
{
    return endpoint.isEmpty() ? endpointUrl(netId, port) : endpoint;
}

QString OpcUaLinkOptions::endpointUrl(const QString &netId, const QString &port)
{
    const QString host = netId.trimmed().isEmpty() ? u"localhost"_s : netId.trimmed();
    const QString portText = port.trimmed();
    if (host.startsWith(u"opc.tcp://"_s, Qt::CaseInsensitive)) {
        QUrl url(host);
        if (!portText.isEmpty() && portText.toInt() > 0)
            url.setPort(portText.toInt());
        return url.toString();
    }
    QUrl url;
    url.setScheme(u"opc.tcp"_s);
    url.setHost(host);
    url.setPort(portText.toInt() > 0 ? portText.toInt() : kDefaultPort);
    return url.toString();
}
