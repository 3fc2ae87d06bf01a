#include "SimulatedPlc.h"

#include "PlcStatus.h"

namespace {

// What the link knows about each type it carries: the OPC UA type name and built-in data
// type id, the variable's size in bytes and the byte count the station passes for it.
struct TypeInfo {
    QMetaType::Type type;
    const char16_t *name;
    qint32 dataTypeId;
    qint32 size;
    int callBytes;
};

constexpr TypeInfo kTypes[] = {
    {QMetaType::Bool, u"Boolean", 1, 1, 2},    {QMetaType::Short, u"Int16", 4, 2, 2},
    {QMetaType::Int, u"Int32", 6, 4, 4},       {QMetaType::Double, u"Double", 11, 8, 8},
    {QMetaType::QString, u"String", 12, 0, 0},
};

const TypeInfo *typeInfo(QMetaType type)
{
    for (const TypeInfo &info : kTypes) {
        if (info.type == type.id())
            return &info;
    }
    return nullptr;
}

// A text variable without a maximum length is described as 255 characters and a NUL.
constexpr qint32 kUnlimitedTextSize = 256;
// Readable and writable (CurrentRead | CurrentWrite).
constexpr qint32 kAccessReadWrite = 3;
// The server's own namespace, where the station's variables live.
constexpr qint32 kStationNamespace = 1;

} // namespace

SimulatedPlc::SimulatedPlc(QObject *parent)
    : PlcLink(parent)
{
}

bool SimulatedPlc::define(const QString &name, QMetaType type, int maxStringLength)
{
    if (!typeInfo(type) || m_variables.contains(name))
        return false;
    const int maxLength = type.id() == QMetaType::QString ? maxStringLength : -1;
    m_variables.insert(name, {type, maxLength, QVariant(type)});
    return true;
}

bool SimulatedPlc::setValue(const QString &name, const QVariant &value, bool report)
{
    const auto found = m_variables.find(name);
    if (found == m_variables.end())
        return false;
    QVariant converted = value;
    if (!converted.convert(found->type))
        return false;
    store(name, *found, converted, report);
    return true;
}

QVariant SimulatedPlc::value(const QString &name) const
{
    return m_variables.value(name).value;
}

void SimulatedPlc::setConnected(bool connected)
{
    if (connected == m_connected)
        return;
    m_connected = connected;
    if (connected)
        Q_EMIT stateChanged(kStateEstablished, PlcStatus::Good);
    else
        Q_EMIT stateChanged(kStateDown, PlcStatus::BadServerNotConnected);
}

void SimulatedPlc::failCreateHandle(const QString &name, qint32 status)
{
    m_failures[FailCreate][name] = status;
}

void SimulatedPlc::failVariableInfo(const QString &name, qint32 status)
{
    m_failures[FailInfo][name] = status;
}

void SimulatedPlc::failNotification(const QString &name, qint32 status)
{
    m_failures[FailNotify][name] = status;
}

void SimulatedPlc::failRead(const QString &name, qint32 status)
{
    m_failures[FailRead][name] = status;
}

void SimulatedPlc::failWrite(const QString &name, qint32 status)
{
    m_failures[FailWrite][name] = status;
}

QString SimulatedPlc::nameOf(qint32 handle) const
{
    if (const auto found = m_handles.constFind(handle); found != m_handles.cend())
        return *found;
    return m_notifications.value(handle).name;
}

qint32 SimulatedPlc::createHandle(const QString &name, qint32 &handle)
{
    log("createHandle", name);
    if (const qint32 status = available(); status != PlcStatus::Good)
        return status;
    if (!m_variables.contains(name))
        return PlcStatus::BadNodeIdUnknown;
    if (const qint32 injected = m_failures[FailCreate].value(name); injected != PlcStatus::Good)
        return injected;
    handle = m_nextHandle++;
    m_handles.insert(handle, name);
    return PlcStatus::Good;
}

qint32 SimulatedPlc::releaseHandle(qint32 handle)
{
    log("releaseHandle", callName(handle));
    if (const qint32 status = available(); status != PlcStatus::Good)
        return status;
    return m_handles.remove(handle) ? PlcStatus::Good : PlcStatus::BadInvalidArgument;
}

qint32 SimulatedPlc::addNotification(const QString &name, int mode, int cycleMs,
                                     qint32 &hNotification, quint64 userTag)
{
    log("addNotification", name);
    if (const qint32 status = available(); status != PlcStatus::Good)
        return status;
    if (!m_variables.contains(name))
        return PlcStatus::BadNodeIdUnknown;
    if (mode != kNotifyOnChange || cycleMs < 0)
        return PlcStatus::BadInvalidArgument;
    if (const qint32 injected = m_failures[FailNotify].value(name); injected != PlcStatus::Good)
        return injected;
    hNotification = m_nextNotification++;
    m_notifications.insert(hNotification, {name, userTag});
    return PlcStatus::Good;
}

qint32 SimulatedPlc::deleteNotification(qint32 hNotification)
{
    log("deleteNotification", m_notifications.contains(hNotification)
                                  ? m_notifications.value(hNotification).name
                                  : u'#' + QString::number(hNotification));
    if (const qint32 status = available(); status != PlcStatus::Good)
        return status;
    return m_notifications.remove(hNotification) ? PlcStatus::Good : PlcStatus::BadInvalidArgument;
}

qint32 SimulatedPlc::getVariableInfo(const QString &name, qint32 &namespaceIndex, qint32 &size,
                                     QString &typeName, qint32 &dataTypeId, qint32 &accessLevel)
{
    log("getVariableInfo", name);
    if (const qint32 status = available(); status != PlcStatus::Good)
        return status;
    const auto found = m_variables.constFind(name);
    if (found == m_variables.cend())
        return PlcStatus::BadNodeIdUnknown;
    if (const qint32 injected = m_failures[FailInfo].value(name); injected != PlcStatus::Good)
        return injected;
    const TypeInfo *info = typeInfo(found->type);
    namespaceIndex = kStationNamespace;
    typeName = QStringView(info->name).toString();
    dataTypeId = info->dataTypeId;
    accessLevel = kAccessReadWrite;
    if (info->type != QMetaType::QString)
        size = info->size;
    else
        size = found->maxLength >= 0 ? found->maxLength + 1 : kUnlimitedTextSize;
    return PlcStatus::Good;
}

qint32 SimulatedPlc::readBool(qint32 handle, int byteCount, bool &value)
{
    QVariant read;
    const qint32 status = readScalar("readBool", handle, byteCount, QMetaType::Bool, read);
    if (status == PlcStatus::Good)
        value = read.toBool();
    return status;
}

qint32 SimulatedPlc::writeBool(qint32 handle, int byteCount, bool value)
{
    return writeScalar("writeBool", handle, byteCount, QMetaType::Bool, value);
}

qint32 SimulatedPlc::readInt(qint32 handle, int byteCount, qint16 &value)
{
    QVariant read;
    const qint32 status = readScalar("readInt", handle, byteCount, QMetaType::Short, read);
    if (status == PlcStatus::Good)
        value = read.value<qint16>();
    return status;
}

qint32 SimulatedPlc::writeInt(qint32 handle, int byteCount, qint16 value)
{
    return writeScalar("writeInt", handle, byteCount, QMetaType::Short, QVariant::fromValue(value));
}

qint32 SimulatedPlc::readLong(qint32 handle, int byteCount, qint32 &value)
{
    QVariant read;
    const qint32 status = readScalar("readLong", handle, byteCount, QMetaType::Int, read);
    if (status == PlcStatus::Good)
        value = read.toInt();
    return status;
}

qint32 SimulatedPlc::writeLong(qint32 handle, int byteCount, qint32 value)
{
    return writeScalar("writeLong", handle, byteCount, QMetaType::Int, value);
}

qint32 SimulatedPlc::writeLReal(qint32 handle, int byteCount, double value)
{
    return writeScalar("writeLReal", handle, byteCount, QMetaType::Double, value);
}

qint32 SimulatedPlc::readString(qint32 handle, int byteCount, QString &value)
{
    Variable *variable = nullptr;
    const qint32 status = access("readString", handle, QMetaType::QString, FailRead, variable);
    if (status != PlcStatus::Good)
        return status;
    if (byteCount < 0)
        return PlcStatus::BadInvalidArgument;
    value = variable->value.toString().left(byteCount / 2);
    return PlcStatus::Good;
}

qint32 SimulatedPlc::writeString(qint32 handle, int byteCount, const QString &value)
{
    Variable *variable = nullptr;
    const qint32 status = access("writeString", handle, QMetaType::QString, FailWrite, variable);
    if (status != PlcStatus::Good)
        return status;
    if (byteCount < 0)
        return PlcStatus::BadInvalidArgument;
    const QString written = value.left(byteCount / 2);
    // As OPC UA servers count a MaxStringLength: bytes of the UTF-8 text.
    if (variable->maxLength >= 0 && written.toUtf8().size() > variable->maxLength)
        return PlcStatus::BadOutOfRange;
    m_writes.append({m_handles.value(handle), written});
    store(m_handles.value(handle), *variable, written);
    return PlcStatus::Good;
}

void SimulatedPlc::showProperties()
{
    log("showProperties", {});
}

void SimulatedPlc::closeLink()
{
    log("closeLink", {});
    m_closed = true;
}

qint32 SimulatedPlc::available() const
{
    return m_connected && !m_closed ? PlcStatus::Good : PlcStatus::BadServerNotConnected;
}

QString SimulatedPlc::callName(qint32 handle) const
{
    const QString name = m_handles.value(handle);
    return name.isEmpty() ? u'#' + QString::number(handle) : name;
}

void SimulatedPlc::log(const char *operation, const QString &target)
{
    QString entry = QString::fromLatin1(operation);
    if (!target.isEmpty())
        entry += u' ' + target;
    m_calls.append(entry);
}

// Resolves the handle of a read or write: session, handle, injected failure, data type.
qint32 SimulatedPlc::access(const char *operation, qint32 handle, QMetaType::Type type,
                            Failure failure, Variable *&variable)
{
    log(operation, callName(handle));
    if (const qint32 status = available(); status != PlcStatus::Good)
        return status;
    const auto name = m_handles.constFind(handle);
    if (name == m_handles.cend())
        return PlcStatus::BadInvalidArgument;
    if (const qint32 injected = m_failures[failure].value(*name); injected != PlcStatus::Good)
        return injected;
    Variable &found = m_variables[*name];
    if (found.type.id() != type)
        return PlcStatus::BadTypeMismatch;
    variable = &found;
    return PlcStatus::Good;
}

qint32 SimulatedPlc::readScalar(const char *operation, qint32 handle, int byteCount,
                                QMetaType::Type type, QVariant &value)
{
    Variable *variable = nullptr;
    const qint32 status = access(operation, handle, type, FailRead, variable);
    if (status != PlcStatus::Good)
        return status;
    if (byteCount != typeInfo(QMetaType(type))->callBytes)
        return PlcStatus::BadInvalidArgument;
    value = variable->value;
    return PlcStatus::Good;
}

qint32 SimulatedPlc::writeScalar(const char *operation, qint32 handle, int byteCount,
                                 QMetaType::Type type, const QVariant &value)
{
    Variable *variable = nullptr;
    const qint32 status = access(operation, handle, type, FailWrite, variable);
    if (status != PlcStatus::Good)
        return status;
    if (byteCount != typeInfo(QMetaType(type))->callBytes)
        return PlcStatus::BadInvalidArgument;
    const QString name = m_handles.value(handle);
    m_writes.append({name, value});
    store(name, *variable, value);
    return PlcStatus::Good;
}

// Keeps a new value; a change is reported to every notification on the variable, but only
// while the session is up, as a server cannot report to a client it has no session with.
void SimulatedPlc::store(const QString &name, Variable &variable, const QVariant &value,
                         bool report)
{
    if (variable.value == value)
        return;
    variable.value = value;
    if (!report || available() != PlcStatus::Good)
        return;
    QList<quint64> tags;
    for (const Notification &notification : std::as_const(m_notifications)) {
        if (notification.name == name)
            tags.append(notification.userTag);
    }
    for (const quint64 tag : std::as_const(tags))
        Q_EMIT variableChanged(value, tag);
}
