#pragma once

#include "CommandOutput.h"

#include <QString>
#include <QStringList>
#include <memory>

class LogWriter;
class PrintControls;
class QProcess;
struct AppSettings;

// The command-line output: fills the request's command text into the configured command line,
// starts the program without a shell and waits for it to end, serving events meanwhile so
// that PLC notifications and the operator's actions keep running. Only a failed start is a
// failure; the program's own exit code is its business, as it was on the Windows stations.
class CommandRunner : public CommandOutput {
public:
    // Start failures, numbered as Windows stations report them to PLC programs.
    static constexpr qint32 kFileNotFound = 2;
    static constexpr qint32 kPathNotFound = 3;
    static constexpr qint32 kAccessDenied = 5;
    static constexpr qint32 kBadExeFormat = 193;
    // Any other start failure is kErrnoBase + errno, with the system's text in shellErrorText.
    // Kept well above the Windows codes that PLC programs already test for.
    static constexpr qint32 kErrnoBase = 10000;

    CommandRunner(const AppSettings &settings, PrintControls &controls, LogWriter &log);

    // 0 on success, else shellError(); the status label shows the failure.
    qint32 callCommand(const QString &var) override;

    // Starts program with arguments (no shell; output goes to the station's own stdout and
    // stderr, input is empty) and, with wait, waits until it ends or the station shuts down.
    // True when the process ended or never started, false when the wait was abandoned. A
    // process that is not waited for is left running. hide is accepted for the callers' sake:
    // a process started here has no console window to hide.
    bool runProcess(const QString &program, const QStringList &arguments, bool wait, bool hide);

    qint32 shellError() const { return m_shellError; }
    QString shellErrorText() const { return m_shellErrorText; }

private:
    std::unique_ptr<QProcess> startProcess(const QString &program, const QStringList &arguments);
    bool waitForEnd(QProcess &process) const;
    void recordStartFailure(const QProcess &process, const QString &program);
    void showFailure(const QString &cmd);
    static void letGo(std::unique_ptr<QProcess> process);

    const AppSettings &m_settings;
    PrintControls &m_controls;
    LogWriter &m_log;
    qint32 m_shellError = 0;
    QString m_shellErrorText;
};
