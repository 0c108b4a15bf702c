#pragma once
// The command line read into the command to run. Every check the words alone allow is made
// here, and the files the options name are read before any port opens, so a refused word or
// file ends the run with exit 2 and nothing sent.

#include <cstdint>
#include <optional>
#include <string>

#include "CommandRun.h"

namespace CLI {
class Validator;
}

namespace cli {

// A run to make, or what to print instead (help on standard output, a usage error on standard
// error) with the exit code.
struct ParsedCommandLine {
    std::optional<CommandToRun> run;
    modlink::ExitCode exitCode = modlink::kExitDone;
    std::string output;
    std::string error;
};

// Whole numbers in decimal digits only; the text is rewritten in canonical form so that CLI11's
// own conversion, which reads a leading 0 as octal and 0x as hexadecimal, sees plain digits.
CLI::Validator decimalIn(std::int64_t min, std::int64_t max);
// A share from 0 to 1 in decimal digits, such as 0.95; "nan", "inf" and "95%" are refused.
CLI::Validator shareOfOne();

// Reads no file and makes none.
ParsedCommandLine parseCommandLine(int argc, const char* const* argv);

// The run's prepare step: a refusal leaves no run, its exit code and its line, as a refused
// word does.
void prepareRun(ParsedCommandLine& parsed);

// A failure is printed as one line on standard error and gives its exit code.
int runCommand(const CommandToRun& run);

// The exit code once standard output is flushed: code, or kExitOutput with a line on standard
// error when what was printed did not all go out (a full disk, a failed pipe). A pipe whose
// reader has gone, as `| head` does, leaves code as it is: nobody is left to miss the rest.
int exitCodeWithOutput(int code);

}  // namespace cli
