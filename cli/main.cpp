// meshcfg-cli: the module's settings, routes and send test from scripts and the production line.

#include <iostream>

#include "BrokenPipes.h"
#include "CommandLine.h"
#include "Interrupt.h"

int main(int argc, char** argv) {
    serial::ignoreBrokenPipes();
    cli::ParsedCommandLine parsed = cli::parseCommandLine(argc, argv);
    cli::prepareRun(parsed);
    std::cout << parsed.output;
    std::cerr << parsed.error;
    if (!parsed.run) return cli::exitCodeWithOutput(parsed.exitCode);
    modlink::catchInterrupt();
    return cli::exitCodeWithOutput(cli::runCommand(*parsed.run));
}
