#pragma once
// A mesh file's plans, verdicts and results as scripts read them: the documents the commands
// print with --json and the Python module returns as dicts, their exit codes, and the verdict
// as JUnit XML.

#include <string>

#include "Failure.h"
#include "SiteVerbs.h"

namespace meshsite {

modlink::Json planJson(const meshplan::MeshPlan& plan);
modlink::Json appliedJson(const SiteApplied& applied);
modlink::Json verdictJson(const meshplan::Verdict& verdict);

// A module not read gives 3, or 4 when it did not answer, over all else.
modlink::ExitCode planExitCode(const meshplan::MeshPlan& plan);       // 1: something would change
modlink::ExitCode appliedExitCode(const SiteApplied& applied);        // the units' codes
modlink::ExitCode verdictExitCode(const meshplan::Verdict& verdict);  // 1: a drift
modlink::ExitCode surveyExitCode(const mesh::Survey& survey);         // export: a port that failed

// One test case per module (its settings, and its node heard where [expect] asks), per node
// expected heard that no module of the file is, and per expected link.
std::string verdictJunit(const meshplan::Verdict& verdict, const std::string& filePath);

}  // namespace meshsite
