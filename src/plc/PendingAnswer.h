#pragma once

#include <QString>

// The answer of a request that was served (its output ran) but whose flag could not be
// cleared: kept until the PLC can be told, so that the request is answered without being
// printed a second time.
struct PendingAnswer {
    // What the request asked for: its kind and every value read for it. A raised flag with
    // the same values is this request still waiting for its answer.
    QString key;
    qint32 result = 0;
    QString text;
    // The request's log text, for the line that reports the late answer.
    QString requestText;
    // The clear left the station and may have reached the PLC before the link broke: the PLC
    // may then have raised a new request with the same values. The result text it still
    // holds tells the two apart (see README, "Answers after a lost link").
    bool mayHaveCleared = false;
    // Why the answer is pending; a retry failing the same way is not logged again.
    qint32 failure = 0;
};
