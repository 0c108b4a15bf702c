#pragma once
// meshcfg-cli run to its end, as a script runs it.

#include <QByteArray>
#include <QProcess>
#include <QStringList>

struct CliResult {
    int exitCode = -1;  // -1 when it did not end normally in time
    QByteArray out;
    QByteArray err;
};

CliResult runCli(const QStringList& arguments);

// The program itself, for runs inside a shell pipeline.
QString cliProgram();

// For runs the test ends itself: started, not waited for.
void startCli(QProcess& process, const QStringList& arguments);
CliResult finishCli(QProcess& process);
