#include "CliRun.h"

namespace {
constexpr int kRunLimitMs = 30000;
}  // namespace

QString cliProgram() {
    return QStringLiteral(MESHCFG_CLI_PATH);
}

void startCli(QProcess& process, const QStringList& arguments) {
    process.start(cliProgram(), arguments);
}

CliResult finishCli(QProcess& process) {
    CliResult result;
    if (!process.waitForFinished(kRunLimitMs) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
    } else {
        result.exitCode = process.exitCode();
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

CliResult runCli(const QStringList& arguments) {
    QProcess process;
    startCli(process, arguments);
    return finishCli(process);
}
