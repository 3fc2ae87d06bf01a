#include "CommandRunner.h"

#include "AppSettings.h"
#include "CommandTemplate.h"
#include "LogWriter.h"
#include "PrintControls.h"
#include "RegionalFormat.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

// How often a wait looks at the shutdown flag.
constexpr int kExitPollMs = 50;
// Windows stations leave code 126 ("module not found") behind after many a successful start;
// it is shown but never counted as a failure.
constexpr qint32 kLeftoverCode = 126;
// errno values on Linux stay far below this.
constexpr int kMaxErrno = 256;

// QProcess reports a failed start as "<function>: <system text>", the text being
// qt_error_string of the errno the child met. Finds that errno; 0 when the text is not one.
int errnoOf(const QString &errorString)
{
    for (int code = 1; code < kMaxErrno; ++code) {
        if (errorString.endsWith(u": "_s + qt_error_string(code)))
            return code;
    }
    return 0;
}

// Windows tells a missing program from a missing folder on its path; errno does not.
bool folderMissing(const QString &program)
{
    return program.contains(u'/') && !QFileInfo(QFileInfo(program).absolutePath()).isDir();
}

qint32 shellCodeOf(int code, const QString &program)
{
    switch (code) {
    case ENOENT:
        return folderMissing(program) ? CommandRunner::kPathNotFound : CommandRunner::kFileNotFound;
    case ENOTDIR:
        return CommandRunner::kPathNotFound;
    case EACCES:
    case EPERM:
        return CommandRunner::kAccessDenied;
    case ENOEXEC:
        return CommandRunner::kBadExeFormat;
    default:
        return CommandRunner::kErrnoBase + code;
    }
}

} // namespace

CommandRunner::CommandRunner(const AppSettings &settings, PrintControls &controls, LogWriter &log)
    : m_settings(settings)
    , m_controls(controls)
    , m_log(log)
{
}

qint32 CommandRunner::callCommand(const QString &var)
{
    const QStringList pieces = CommandTemplate(m_settings.commandLine).fill(var);
    const QString cmd = CommandTemplate::displayLine(pieces);
    m_shellError = 0;
    runProcess(pieces.value(0), pieces.mid(1), true, false);
    if (m_controls.check(PrintControls::CheckBox::chkHistory) >= 1)
        m_log.writeLog(cmd, false, true);
    if (m_shellError == 0)
        return 0;
    showFailure(cmd);
    if (m_shellError == kLeftoverCode)
        m_shellError = 0;
    return m_shellError;
}

// Shown, not logged: the operator sees it, the PLC gets the code.
void CommandRunner::showFailure(const QString &cmd)
{
    m_controls.setCaption(PrintControls::Label::lblError,
                          RegionalFormat::dateTime(QDateTime::currentDateTime()) +
                              u" Shell-Error "_s + QString::number(m_shellError) + u"\r\n"_s +
                              u"Command-Line:"_s + cmd + u"\r\n"_s + m_shellErrorText);
}

bool CommandRunner::runProcess(const QString &program, const QStringList &arguments, bool wait,
                               bool hide)
{
    Q_UNUSED(hide)
    m_shellError = 0;
    m_shellErrorText.clear();
    std::unique_ptr<QProcess> process = startProcess(program, arguments);
    if (!process)
        return true;
    const bool ended = !wait || waitForEnd(*process);
    if (!wait || !ended)
        letGo(std::move(process));
    return ended;
}

std::unique_ptr<QProcess> CommandRunner::startProcess(const QString &program,
                                                      const QStringList &arguments)
{
    if (program.isEmpty()) {
        m_shellError = kFileNotFound;
        return nullptr;
    }
    auto process = std::make_unique<QProcess>();
    process->setProgram(program);
    process->setArguments(arguments);
    // Its messages belong in the station's own output (the journal for the service); a
    // program that reads its input gets an empty one instead of waiting forever.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start();
    // Returns as soon as the program has been executed or has failed to be.
    if (process->waitForStarted(-1))
        return process;
    recordStartFailure(*process, program);
    return nullptr;
}

void CommandRunner::recordStartFailure(const QProcess &process, const QString &program)
{
    const int code = errnoOf(process.errorString());
    m_shellError = shellCodeOf(code, program);
    // The Windows codes carry no text, as on the Windows stations.
    if (m_shellError >= kErrnoBase)
        m_shellErrorText = code ? qt_error_string(code) : process.errorString();
}

// Events keep flowing while the process runs; the shutdown flag ends the wait, not the process.
bool CommandRunner::waitForEnd(QProcess &process) const
{
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer exitPoll;
    QObject::connect(&exitPoll, &QTimer::timeout, &loop, [this, &loop] {
        if (m_settings.exiting)
            loop.quit();
    });
    exitPoll.start(kExitPollMs);
    while (process.state() != QProcess::NotRunning && !m_settings.exiting)
        loop.exec();
    return process.state() == QProcess::NotRunning;
}

// Destroying a QProcess kills its process. One that nobody waits for any more (the station is
// shutting down) must be able to finish its work: the object deletes itself when the process
// ends, or never, once the event loop has stopped.
void CommandRunner::letGo(std::unique_ptr<QProcess> process)
{
    QProcess *running = process.release();
    QObject::connect(running, &QProcess::finished, running, &QObject::deleteLater);
}
