#pragma once
// A mesh survey of a simulated lab, read as the survey reads a module: its setup, route list
// and path, each module having first sent once to the last target of its route list so that
// its path shows link values. A module without a line (switched off, cable pulled) is a port
// that did not answer. Ports are named COM and the module's alias number (200 on for nodes
// the file gives none).

#include <string>

#include "LabFile.h"
#include "Survey.h"

namespace lab_survey {

mesh::Survey survey(const sim::LabPlan& plan);

// The lab file's text read into a plan; throws std::runtime_error with the file's problem.
sim::LabPlan planOf(const std::string& text);

// rows x columns modules numbered row by row from 1, each linked to its right and lower
// neighbours, the link values spread from 40 to 99.
sim::LabPlan grid(int rows, int columns);

}  // namespace lab_survey
