#pragma once

#include <QString>

class Prompt;

// The message window's Help button: opens the help file a message names with the desktop's
// handler for its type and reports in words why that failed. Relative file names are taken
// from the application folder, as the messages name help files installed beside the program.
class HelpLauncher {
public:
    // Results above this value mean the file was handed to its program.
    static constexpr int kOpened = 33;

    HelpLauncher(Prompt &prompt, QString appFolder);

    // Runs the Help button's rules for the help reference msgHelpFile ("file#topic").
    void help(const QString &msgHelpFile);

    // Hands the file to the desktop and tells how that went, in the codes the help texts
    // are kept under: 2 no such file, 3 no such folder, 5 not readable, 31 nothing opens
    // this type, kOpened on success.
    int open(const QString &file) const;
    // The file name a relative or Windows-style help file stands for on this station.
    QString resolve(const QString &file) const;

    // The part before the first "#"; what follows names a topic and is not used.
    static QString fileOf(const QString &msgHelpFile);
    // The last four characters in upper case: ".HLP", ".TXT", "HTML", …
    static QString typeOf(const QString &file);
    // The operator's text for a result of 32 or less.
    static QString resultText(int result, const QString &file);

private:
    Prompt &m_prompt;
    QString m_appFolder;
};
