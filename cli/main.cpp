// meshcfg-cli: the module's settings, routes and send test from scripts and the production line.

#include <iostream>

#include "BrokenPipes.h"
#include "CommandLine.h"
#include "Interrupt.h"

int main(int argc, char** argv) {
    ignoreBrokenPipes();
    const ParsedCommandLine parsed = parseCommandLine(argc, argv);
    std::cout << parsed.output;
    std::cerr << parsed.error;
    if (!parsed.invocation) return parsed.exitCode;
    catchInterrupt();
    return runInvocation(*parsed.invocation);
}
