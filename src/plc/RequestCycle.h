#pragma once

#include <QString>
#include <functional>

class CommLink;
class CommandOutput;
class LogWriter;
class PrintControls;
class RawOutput;
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
    };

    explicit RequestCycle(Parts parts);

    void readProd(CommLink &hUser);

private:
    enum class Kind { Raw, Command, Lot };

    void serve(CommLink &link);
    // Reads a text variable: byteCount bytes, cut before the first NUL.
    qint32 readText(CommLink &link, qint32 handle, int byteCount, QString &text);
    void serveRaw(CommLink &link);
    void serveCommand(CommLink &link, qint32 textRead);
    void serveLot(CommLink &link, qint32 textRead);
    void readLotDetails(CommLink &link);
    // The result, then its text: " " after success, else lblError's text, which is logged.
    void answer(CommLink &link, qint32 result);
    void writeText(CommLink &link, const QString &text);
    void reportFailure(const QString &message);
    void clearFlag(CommLink &link, Kind kind);
    void logRequest();
    QString stamped(const QString &message) const;

    Parts m_parts;
    QString m_requestText;
};
