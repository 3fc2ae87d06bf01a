#pragma once

#include "PendingAnswer.h"

#include <QString>
#include <functional>
#include <optional>

class CommLink;
class CommandOutput;
class LogWriter;
class PrintControls;
class RawOutput;
class RequestReads;
struct AppSettings;
struct PrintRequest;

// readProd: serves one print request of the PLC, from the raised request flag to the answer.
// It reads the request through the link record, decides between a raw text, a command line
// and a lot print, hands the request to that output, writes the result code, then the result
// text, then clears the flag, and logs one line with the time the request took.
//
// A failure the outputs did not catch (an exception) ends the request in a trap that reports
// it and writes nothing: the flag stays raised and the PLC sees an unanswered request, which
// the next connect or notification serves again.
//
// A request whose output ran but whose flag could not be cleared (the link broke) is never
// printed again: its answer stays pending, and when the same request is found raised later it
// gets that answer without its output running. A failed answer write is logged.
class RequestCycle {
public:
    using LookupPrint = std::function<qint32(const QString &losName, qint32 teileNr, CommLink *)>;

    struct Parts {
        const AppSettings &settings;
        PrintControls &controls;
        PrintRequest &request;
        LogWriter &log;
        RawOutput &raw;
        CommandOutput &command;
        LookupPrint lookupPrint;
        // A RAW job that failed during a request answers the PLC with its code when the
        // request went well otherwise. Off by default: RAW jobs never told the PLC.
        bool answerFailedRaw = false;
    };

    explicit RequestCycle(Parts parts);

    void readProd(CommLink &hUser);
    // A request was served but the PLC has not had its answer yet.
    bool answerPending() const { return m_pending.has_value(); }

private:
    enum class Kind { Raw, Command, Lot };

    void serve(CommLink &link);
    void startRequest();
    // Reads a text variable: byteCount bytes, cut before the first NUL.
    qint32 readText(CommLink &link, qint32 handle, int byteCount, QString &text);
    void serveRaw(CommLink &link);
    void serveCommand(CommLink &link, const RequestReads &reads, qint32 textRead);
    void serveLot(CommLink &link, const RequestReads &reads, qint32 textRead);
    void readLotDetails(const CommLink &link, const RequestReads &reads);
    QString lotKey() const;
    // The request is about to run its output. True when it is one whose answer is pending:
    // the answer has then been written instead.
    bool answeredBefore(CommLink &link, Kind kind, const QString &key);
    bool stillHolds(CommLink &link, const QString &text);
    void dropPending(const QString &why);
    // The request's result with its RAW jobs' failure, when those are to reach the PLC.
    qint32 withRawFailure(qint32 result);
    // The result, then its text: " " after success, else lblError's text, which is logged.
    void answer(CommLink &link, qint32 result, Kind kind);
    // Result, text (logged between text and flag when logText), the cleared flag.
    void deliver(CommLink &link, qint32 result, const QString &text, Kind kind, bool logText);
    qint32 clearFlag(CommLink &link, Kind kind);
    void noteWrite(qint32 status, const QString &variable);
    void settle(qint32 result, const QString &text, qint32 cleared);
    void reportFailure(const QString &message);
    void logRequest();
    QString stamped(const QString &message) const;

    Parts m_parts;
    QString m_requestText;
    // What identifies the request being served, once its output is about to run.
    QString m_key;
    // The first answer write that failed in this request, with its variable.
    qint32 m_writeFailure = 0;
    QString m_failedVariable;
    // How this request's answer went, for its log line.
    enum class Delivery { Written, Pending, Late } m_delivery = Delivery::Written;
    std::optional<PendingAnswer> m_pending;
};
