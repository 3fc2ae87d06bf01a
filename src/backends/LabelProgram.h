#pragma once

#include "Failure.h"

#include <QString>
#include <functional>
#include <memory>

// The label program's call table as the label output uses it: open a layout as a document
// (Documents.Open), find an object of it by name (DocObjects), fill it (Type 3 takes a
// FileName, the others a value), print one label (PrintLabel) and feed (FormFeed), close the
// documents (CloseAll) and end (quit). Whatever draws and prints the labels stands behind it.
class LabelDocObject {
public:
    static constexpr int kImage = 3;

    virtual ~LabelDocObject() = default;
    virtual int type() const = 0;
    virtual void setFileName(const QString &path) = 0;
    virtual void setValue(const QString &text) = 0;
};

class LabelDocument {
public:
    virtual ~LabelDocument() = default;
    virtual void closeAll() = 0;
    // The object of that name; nullptr when the layout has none. Owned by the document.
    virtual LabelDocObject *docObject(const QString &name) = 0;
    // Prints count labels with the values the objects hold now.
    virtual Failure printLabel(int count) = 0;
    virtual void formFeed() = 0;
};

class LabelProgram {
public:
    virtual ~LabelProgram() = default;
    // The layout file as a document; nullptr, and description says why, when it cannot be
    // opened.
    virtual std::unique_ptr<LabelDocument> open(const QString &path, QString &description) = 0;
    virtual void quit() = 0;
};

// Starts the label program; nullptr, and description says why, when it cannot be started.
using LabelProgramFactory = std::function<std::unique_ptr<LabelProgram>(QString &description)>;
