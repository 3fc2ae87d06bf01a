#include "OpcUaLink.h"

#include "DataValue.h"
#include "PlcPropertiesView.h"
#include "PlcStatus.h"
#include "PlcValueCodec.h"
#include "UaNodeQueries.h"

#include <QLoggingCategory>
#include <QTimer>
#include <cmath>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcOpcUaLink, "etikor.plc.opcua")

namespace {
// A text variable without a MaxStringLength property: 255 characters and the NUL.
constexpr qint32 kUnlimitedTextSize = 256;
// A maximum length beyond any PLC text is taken as no maximum.
constexpr quint32 kTextSizeLimit = 1024 * 1024;
// Notifications of the request flag queued in the server between two publishes, so that a
// short pulse is reported as a rise and a fall instead of not at all.
constexpr quint32 kNotificationQueue = 10;
// How long closing the link waits for the server to end the session.
constexpr int kGoodbyeMs = 1000;
// The same refusal is noted again after this long.
constexpr qint64 kNoteAgainMs = 60000;
} // namespace

OpcUaLink::OpcUaLink(const OpcUaLinkOptions &options, QObject *parent)
    : PlcLink(parent)
    , m_options(options)
    , m_subscription(m_client.session())
{
    m_subscription.setPublishingInterval(options.publishingMs);
    connect(&m_client, &UaClient::connected, this, &OpcUaLink::onConnected);
    connect(&m_client, &UaClient::disconnected, this, &OpcUaLink::onDisconnected);
    connect(&m_subscription, &UaSubscription::dataChanged, this, &OpcUaLink::onDataChanged);
    connect(&m_subscription, &UaSubscription::lost, this, &OpcUaLink::onSubscriptionLost);
    connect(&m_subscription, &UaSubscription::stalled, this, [this] {
        qCWarning(lcOpcUaLink) << "no keep-alive from" << m_client.endpointUrl();
        m_client.abortConnection(UaStatus::BadNoCommunication);
    });
}

OpcUaLink::~OpcUaLink()
{
    m_subscription.disconnect(this);
    m_client.disconnect(this);
}

qint32 OpcUaLink::createHandle(const QString &name, qint32 &handle)
{
    const EventGate::Span call(m_gate);
    ++m_calls;
    if (const qint32 status = ready())
        return status;
    const NodeId node = nodeOf(name);
    auto known = m_knownTypes.constFind(name);
    if (known == m_knownTypes.cend()) {
        QList<DataValue> values;
        if (const qint32 status = readAttributes(node, {UaAttributeId::DataType}, values))
            return status;
        const QVariant dataType = values.at(0).value.value();
        known = m_knownTypes.insert(name, PlcValueCodec::builtinOf(dataType.value<NodeId>()));
    }
    handle = ++m_lastHandle;
    m_variables.insert(handle, {name, node, *known});
    return PlcStatus::Good;
}

qint32 OpcUaLink::releaseHandle(qint32 handle)
{
    const EventGate::Span call(m_gate);
    ++m_calls;
    return finish(m_variables.remove(handle) ? UaStatus::Good : UaStatus::BadInvalidArgument);
}

qint32 OpcUaLink::addNotification(const QString &name, int mode, int cycleMs, qint32 &hNotification,
                                  quint64 userTag)
{
    const EventGate::Span call(m_gate);
    ++m_calls;
    if (mode != kNotifyOnChange || cycleMs < 0)
        return finish(UaStatus::BadInvalidArgument);
    if (const qint32 status = ready())
        return status;
    if (const qint32 status = ensureSubscription())
        return status;
    const qint32 handle = m_lastHandle + 1;
    quint32 itemId = 0;
    double sampling = 0;
    // Sampling interval 0 asks for every change the moment the server sees it; a server that
    // samples anyway answers with the interval it samples at.
    const double requested = cycleMs <= kCycleEveryChange ? 0.0 : double(cycleMs);
    const quint32 status =
        m_subscription.addItemSync(nodeOf(name), quint32(handle), requested, kNotificationQueue,
                                   itemId, sampling, m_options.timeoutMs);
    if (status != UaStatus::Good)
        return finish(status);
    m_lastHandle = handle;
    hNotification = handle;
    m_watches.insert(handle, {name, userTag, itemId, sampling});
    return PlcStatus::Good;
}

qint32 OpcUaLink::deleteNotification(qint32 hNotification)
{
    const EventGate::Span call(m_gate);
    ++m_calls;
    const auto found = m_watches.constFind(hNotification);
    if (found == m_watches.cend())
        return finish(UaStatus::BadInvalidArgument);
    const quint32 itemId = found->monitoredItemId;
    m_watches.erase(found);
    // An item that died with its subscription, or a link that is down, leaves nothing on the
    // server to delete.
    if (itemId == 0 || !m_up || !m_subscription.isCreated())
        return PlcStatus::Good;
    return finish(m_subscription.removeItemSync(itemId, m_options.timeoutMs));
}

qint32 OpcUaLink::getVariableInfo(const QString &name, qint32 &namespaceIndex, qint32 &size,
                                  QString &typeName, qint32 &dataTypeId, qint32 &accessLevel)
{
    const EventGate::Span call(m_gate);
    ++m_calls;
    if (const qint32 status = ready())
        return status;
    const NodeId node = nodeOf(name);
    QList<DataValue> values;
    if (const qint32 status =
            readAttributes(node, {UaAttributeId::DataType, UaAttributeId::AccessLevel}, values))
        return status;
    const NodeId dataType = values.at(0).value.value().value<NodeId>();
    const auto type = PlcValueCodec::builtinOf(dataType);
    qint32 bytes = type ? PlcValueCodec::sizeOf(*type) : 0;
    if (type == BuiltinType::String) {
        if (const qint32 status = textSize(node, bytes))
            return status;
    }
    namespaceIndex = node.namespaceIndex();
    size = bytes;
    typeName = type ? PlcValueCodec::typeName(*type) : dataType.toString();
    dataTypeId = dataType.namespaceIndex() == 0 ? qint32(dataType.numericId()) : 0;
    accessLevel = values.at(1).value.value().toInt();
    return PlcStatus::Good;
}

qint32 OpcUaLink::readBool(qint32 handle, int byteCount, bool &value)
{
    QVariant read;
    const qint32 status = readValue(handle, byteCount, kBoolBytes, QMetaType::Bool, read);
    if (status == PlcStatus::Good)
        value = read.toBool();
    return status;
}

qint32 OpcUaLink::writeBool(qint32 handle, int byteCount, bool value)
{
    return writeValue(handle, byteCount, kBoolBytes, value);
}

qint32 OpcUaLink::readInt(qint32 handle, int byteCount, qint16 &value)
{
    QVariant read;
    const qint32 status = readValue(handle, byteCount, kIntBytes, QMetaType::Short, read);
    if (status == PlcStatus::Good)
        value = read.value<qint16>();
    return status;
}

qint32 OpcUaLink::writeInt(qint32 handle, int byteCount, qint16 value)
{
    return writeValue(handle, byteCount, kIntBytes, QVariant::fromValue(value));
}

qint32 OpcUaLink::readLong(qint32 handle, int byteCount, qint32 &value)
{
    QVariant read;
    const qint32 status = readValue(handle, byteCount, kLongBytes, QMetaType::Int, read);
    if (status == PlcStatus::Good)
        value = read.toInt();
    return status;
}

qint32 OpcUaLink::writeLong(qint32 handle, int byteCount, qint32 value)
{
    return writeValue(handle, byteCount, kLongBytes, value);
}

qint32 OpcUaLink::writeLReal(qint32 handle, int byteCount, double value)
{
    return writeValue(handle, byteCount, kRealBytes, value);
}

// A text is read whole and cut to the characters the byte count allows.
qint32 OpcUaLink::readString(qint32 handle, int byteCount, QString &value)
{
    if (byteCount < 0)
        return finish(UaStatus::BadInvalidArgument);
    QVariant read;
    const qint32 status = readValue(handle, byteCount, byteCount, QMetaType::QString, read);
    if (status == PlcStatus::Good)
        value = read.toString().left(byteCount / 2);
    return status;
}

// The server checks the variable's maximum length and refuses a longer text.
qint32 OpcUaLink::writeString(qint32 handle, int byteCount, const QString &value)
{
    if (byteCount < 0)
        return finish(UaStatus::BadInvalidArgument);
    return writeValue(handle, byteCount, byteCount, value.left(byteCount / 2));
}

// A change waits for the server's next sample, then for its next publish.
int OpcUaLink::reportDelayMs(qint32 hNotification) const
{
    const auto found = m_watches.constFind(hNotification);
    if (found == m_watches.cend() || !m_subscription.isCreated())
        return 0;
    return int(std::ceil(found->samplingMs + m_subscription.revisedPublishingInterval()));
}

int OpcUaLink::earliestReportMs(qint32 hNotification) const
{
    if (!m_watches.contains(hNotification) || !m_subscription.isCreated())
        return 0;
    return int(std::ceil(m_subscription.revisedPublishingInterval()));
}

bool OpcUaLink::isConnected() const
{
    return m_up && !m_closed && m_client.state() == UaClient::State::Connected &&
           m_client.session().channel()->state() == UaSecureChannel::State::Open;
}

QString OpcUaLink::connectionProblem() const
{
    const UaSecureChannel *channel = m_client.session().channel();
    if (isConnected() || m_closed || m_client.state() == UaClient::State::Idle ||
        channel->state() != UaSecureChannel::State::Closed ||
        channel->closeStatus() == UaStatus::Good)
        return {};
    QString why = UaStatus::name(channel->closeStatus());
    if (!channel->closeReason().isEmpty())
        why = channel->closeReason() + u" ("_s + why + u')';
    const QString url = m_options.endpointFor(m_netId, m_port);
    const QString remedy =
        m_options.endpoint.isEmpty()
            ? u"set the PLC's host name or IP address as the net id (a net id of six numbers is "
              u"no address), or its endpoint URL as the registry option \"Endpoint\" (area "
              u"\"OPC UA\")"_s
            : u"the URL is the registry option \"Endpoint\" (area \"OPC UA\")"_s;
    return u"PLC not reached at "_s + url + u": "_s + why + u"; "_s + remedy;
}

void OpcUaLink::showProperties()
{
    if (m_propertiesView) {
        m_propertiesView->showPlcProperties(*this);
        return;
    }
    for (const PlcLinkProperty &property : properties())
        qCInfo(lcOpcUaLink).noquote() << property.name << property.value;
}

void OpcUaLink::closeLink()
{
    m_closed = true;
    m_up = false;
    m_watches.clear();
    m_variables.clear();
    m_knownTypes.clear();
    m_subscription.reset();
    m_client.disconnectFromEndpoint();
    m_client.waitForDisconnected(kGoodbyeMs);
}

// Connects on first use and waits for the session; afterwards a link that is not up fails
// at once. The namespace is looked up once per session.
qint32 OpcUaLink::ready()
{
    if (m_closed)
        return finish(UaStatus::BadServerNotConnected);
    if (m_client.state() == UaClient::State::Idle)
        m_client.connectToEndpoint(m_options.endpointFor(m_netId, m_port));
    if (!m_everConnected && m_client.state() == UaClient::State::Connecting)
        m_client.waitForConnected(m_options.timeoutMs);
    // A channel just dropped is down before the client has heard of it.
    if (m_client.state() != UaClient::State::Connected ||
        m_client.session().channel()->state() != UaSecureChannel::State::Open)
        return finish(UaStatus::BadServerNotConnected);
    return m_namespace ? PlcStatus::Good : resolveNamespace();
}

qint32 OpcUaLink::resolveNamespace()
{
    quint16 index = 0;
    if (!m_options.namespaceIsIndex(index)) {
        const quint32 status = UaNodeQueries::namespaceIndex(
            m_client.session(), m_options.namespaceSpec, index, m_options.timeoutMs);
        if (status == UaStatus::BadNotFound)
            qCWarning(lcOpcUaLink)
                << "namespace" << m_options.namespaceSpec << "is not on the server";
        if (status != UaStatus::Good)
            return finish(status);
    }
    m_namespace = index;
    return PlcStatus::Good;
}

qint32 OpcUaLink::readAttributes(const NodeId &node, const QList<quint32> &attributes,
                                 QList<DataValue> &values)
{
    return finish(UaNodeQueries::readAttributes(m_client.session(), node, attributes, values,
                                                m_options.timeoutMs));
}

// A text's size is its MaxStringLength property plus the NUL, or 256 without the property.
// A server that cannot answer the question (it refuses or lacks the service) gets the same
// 256: a size of 0 would make every later read of the text ask for nothing.
qint32 OpcUaLink::textSize(const NodeId &node, qint32 &size)
{
    quint32 length = 0;
    const quint32 status =
        UaNodeQueries::maxStringLength(m_client.session(), node, length, m_options.timeoutMs);
    if (status == UaStatus::Good && length < kTextSizeLimit) {
        size = qint32(length) + 1;
        return PlcStatus::Good;
    }
    if (PlcStatus::isLinkFailure(PlcStatus::code(status)))
        return finish(status);
    if (status != UaStatus::Good && status != UaStatus::BadNoMatch)
        noteFailure(u"maximum text length unknown: "_s + UaStatus::name(status));
    size = kUnlimitedTextSize;
    return PlcStatus::Good;
}

NodeId OpcUaLink::nodeOf(const QString &name) const
{
    return NodeId::string(m_namespace.value_or(OpcUaLinkOptions::kDefaultNamespace),
                          m_options.prefix + name);
}

// Counts a call's outcome. A call that timed out means a server that has stopped answering:
// the connection is dropped so that the calls after it fail at once instead of each waiting.
qint32 OpcUaLink::finish(quint32 status)
{
    m_lastCallStatus = status;
    if (UaStatus::isBad(status)) {
        ++m_failedCalls;
        if (status != UaStatus::BadServerNotConnected)
            noteFailure(u"call failed: "_s + UaStatus::name(status));
    }
    if (status == UaStatus::BadTimeout && m_client.state() == UaClient::State::Connected)
        m_client.abortConnection(status);
    return PlcStatus::code(status);
}

qint32 OpcUaLink::readValue(qint32 handle, int byteCount, int expected, QMetaType::Type as,
                            QVariant &value)
{
    const EventGate::Span call(m_gate);
    ++m_calls;
    const auto found = m_variables.constFind(handle);
    if (found == m_variables.cend() || byteCount != expected)
        return finish(UaStatus::BadInvalidArgument);
    if (const qint32 status = ready())
        return status;
    QList<DataValue> values;
    if (const qint32 status = readAttributes(found->node, {UaAttributeId::Value}, values))
        return status;
    return finish(PlcValueCodec::fromVariant(values.at(0).value, as, value));
}

qint32 OpcUaLink::writeValue(qint32 handle, int byteCount, int expected, const QVariant &value)
{
    const EventGate::Span call(m_gate);
    ++m_calls;
    const auto found = m_variables.constFind(handle);
    if (found == m_variables.cend() || byteCount != expected)
        return finish(UaStatus::BadInvalidArgument);
    if (!found->type)
        return finish(UaStatus::BadTypeMismatch);
    Variant converted;
    if (const quint32 status = PlcValueCodec::toVariant(*found->type, value, converted))
        return finish(status);
    if (const qint32 status = ready())
        return status;
    const WriteResult result =
        m_client.session().writeSync({{found->node, converted}}, m_options.timeoutMs);
    if (result.status != UaStatus::Good)
        return finish(result.status);
    return finish(result.results.at(0));
}

qint32 OpcUaLink::ensureSubscription()
{
    if (m_subscription.isCreated())
        return PlcStatus::Good;
    return finish(m_subscription.createSync(m_options.timeoutMs));
}

// A session is running again. After the first, the station has to build its link anew; a new
// session also means a new namespace table and no subscription.
void OpcUaLink::onConnected(bool newSession)
{
    if (newSession) {
        // A new session may be a new PLC program: its variables are looked up again.
        m_namespace.reset();
        m_knownTypes.clear();
        forgetSubscription();
    }
    m_lastNote.clear();
    const bool firstInsideCall = !m_everConnected && m_gate.inside();
    m_everConnected = true;
    m_up = true;
    qCInfo(lcOpcUaLink) << "session" << (newSession ? "created" : "re-activated") << "on"
                        << m_client.endpointUrl();
    if (!firstInsideCall)
        m_gate.post([this] { Q_EMIT stateChanged(kStateEstablished, PlcStatus::Good); });
}

// What the server refused, in the developer log (the service's journal): a refusal like the
// one before is noted again only after a minute or a new session, so a server that refuses
// every call does not flood it.
void OpcUaLink::noteFailure(const QString &note)
{
    if (note == m_lastNote && m_noted.isValid() && !m_noted.hasExpired(kNoteAgainMs))
        return;
    m_lastNote = note;
    m_noted.start();
    qCWarning(lcOpcUaLink).noquote() << note;
}

void OpcUaLink::onDisconnected(quint32 status)
{
    // An attempt that failed while the link was down: its reason, once for each reason.
    if (!m_up) {
        const QString problem = connectionProblem();
        noteFailure(problem.isEmpty() ? u"connection attempt failed: "_s + UaStatus::name(status)
                                      : problem);
        return;
    }
    m_up = false;
    qCWarning(lcOpcUaLink) << "connection lost:" << UaStatus::name(status);
    m_gate.post([this, status] { Q_EMIT stateChanged(kStateDown, PlcStatus::code(status)); });
}

void OpcUaLink::onDataChanged(quint32 clientHandle, const DataValue &value)
{
    const auto found = m_watches.constFind(qint32(clientHandle));
    if (found == m_watches.cend() || UaStatus::isBad(value.status) || value.value.isNull())
        return;
    ++m_events;
    const quint64 userTag = found->userTag;
    const QVariant changed = value.value.value();
    m_gate.post([this, changed, userTag] { Q_EMIT variableChanged(changed, userTag); });
}

// The server dropped the subscription. When the session went with it the connection is
// renewed, which ends in a new session; otherwise the notification alone is gone and the
// station has to register it again.
void OpcUaLink::onSubscriptionLost(quint32 status)
{
    qCWarning(lcOpcUaLink) << "subscription lost:" << UaStatus::name(status);
    forgetSubscription();
    if (status == UaStatus::BadSessionClosed || status == UaStatus::BadSessionIdInvalid) {
        m_client.abortConnection(status);
        return;
    }
    if (m_up)
        m_gate.post(
            [this, status] { Q_EMIT stateChanged(kStateEstablished, PlcStatus::code(status)); });
}

void OpcUaLink::forgetSubscription()
{
    m_subscription.reset();
    for (Watch &watch : m_watches)
        watch.monitoredItemId = 0;
}

namespace {
QString stateText(const UaClient &client, bool closed)
{
    if (closed)
        return u"Closed"_s;
    switch (client.state()) {
    case UaClient::State::Idle:
        return u"Not connected"_s;
    case UaClient::State::Connecting:
        return u"Connecting"_s;
    case UaClient::State::Connected:
        return u"Connected"_s;
    case UaClient::State::WaitingToRetry:
        return u"Retrying in %1 ms"_s.arg(client.retryInterval());
    }
    return {};
}

QString statusText(quint32 status)
{
    return u"%1 (0x%2)"_s.arg(UaStatus::name(status)).arg(status, 8, 16, QChar(u'0'));
}
} // namespace

// The intervals the server samples the watched variables at, as it granted them.
QString OpcUaLink::samplingText() const
{
    QStringList intervals;
    for (const Watch &watch : m_watches) {
        if (watch.monitoredItemId != 0)
            intervals << QString::number(watch.samplingMs);
    }
    return intervals.join(u", "_s);
}

PlcLinkProperties OpcUaLink::properties() const
{
    const UaSession &session = m_client.session();
    const bool subscribed = m_subscription.isCreated();
    return {
        {u"Endpoint"_s, m_options.endpointFor(m_netId, m_port)},
        {u"State"_s, stateText(m_client, m_closed)},
        {u"Last connection status"_s, statusText(m_client.lastStatus())},
        {u"Connection problem"_s, connectionProblem()},
        {u"Session"_s, m_up ? session.sessionId().toString() : QString()},
        {u"Session timeout (ms)"_s,
         m_up ? QString::number(session.revisedSessionTimeout()) : QString()},
        {u"Namespace"_s, m_namespace ? QString::number(*m_namespace) : m_options.namespaceSpec},
        {u"Name prefix"_s, m_options.prefix},
        {u"Subscription"_s,
         subscribed ? QString::number(m_subscription.subscriptionId()) : QString()},
        {u"Publishing interval (ms)"_s,
         subscribed ? QString::number(m_subscription.revisedPublishingInterval()) : QString()},
        {u"Sampling interval (ms)"_s, samplingText()},
        {u"Check interval (ms)"_s,
         m_options.checkMs > 0 ? QString::number(m_options.checkMs) : u"off"_s},
        {u"Handles"_s, QString::number(m_variables.size())},
        {u"Notifications"_s, QString::number(m_watches.size())},
        {u"Calls"_s, QString::number(m_calls)},
        {u"Service requests"_s, QString::number(serviceRequests())},
        {u"Failed calls"_s, QString::number(m_failedCalls)},
        {u"Last call status"_s, statusText(m_lastCallStatus)},
        {u"Value changes"_s, QString::number(m_events)},
        {u"Requests found by check read"_s, QString::number(missedReports())},
        {u"Keep-alives"_s, QString::number(m_subscription.keepAliveCount())},
        {u"Reconnects"_s, QString::number(m_client.reconnectCount())},
    };
}
