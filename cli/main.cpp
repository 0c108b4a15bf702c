// meshcfg-cli: the module's settings, routes and send test from scripts and the production line.

#include <iostream>

#include "BrokenPipes.h"
#include "CommandLine.h"
#include "Interrupt.h"

int main(int argc, char** argv) {
    serial::ignoreBrokenPipes();
    ParsedCommandLine parsed = parseCommandLine(argc, argv);
    prepareRun(parsed);
    std::cout << parsed.output;
    std::cerr << parsed.error;
    if (!parsed.run) return exitCodeWithOutput(parsed.exitCode);
    catchInterrupt();
    return exitCodeWithOutput(runCommand(*parsed.run));
}
