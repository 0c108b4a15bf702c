#pragma once
// What mesh plan, apply and verify share: the mesh file that names their modules, read and
// refused before any port opens, and the plan's lines as people read them.

#include <optional>
#include <string>

#include "CommandRun.h"
#include "MeshFile.h"
#include "MeshPlan.h"
#include "PortDirectory.h"

namespace cli {

struct MeshFileOptions {
    std::string path;
    std::optional<meshplan::MeshFile> file;  // once prepared
    // The command's one look at the names, taken as the file is read: its modules' ports are
    // resolved in it.
    std::optional<ports::PortDirectory> ports;
};

void addMeshFileArgument(CLI::App& command, MeshFileOptions& options);
// The file names the modules and how each is reached: -p is refused, with kExitUsage.
void checkMeshFileWords(const MainOptions& main, const std::string& command);
// The file read; a Failure with kExitUsage saying what is wrong where.
void prepareMeshFile(MeshFileOptions& options);

// One line per setting to change, and one per module not read.
void printPlanLines(const meshplan::MeshPlan& plan);
// "1 module to write, 4 as wanted, 1 not read".
std::string planCounts(const meshplan::MeshPlan& plan, const std::string& toChange);

}  // namespace cli
