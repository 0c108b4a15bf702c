// What the package installs never looks for its libraries in the folder it is started from: a
// file there named like a library would be loaded in place of the real one.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TempFolder.h"

namespace {

struct InstalledFile {
    const char* name;
    const char* path;
};

class LibrarySearch : public ::testing::TestWithParam<InstalledFile> {};

// Lists the file's libraries, as the loader finds them, from `folder`; the exit status of ldd.
int listLibrariesFrom(const std::filesystem::path& folder, const char* file) {
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(folder.c_str()) == 0) {
            execlp("ldd", "ldd", file, static_cast<char*>(nullptr));
        }
        _exit(126);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_P(LibrarySearch, neverLooksInTheCurrentFolder) {
    const TempFolder folder;
    // Every program and module needs the C library, so each would stumble on this one.
    std::ofstream(folder.path() / "libc.so.6") << "not a library\n";
    EXPECT_EQ(listLibrariesFrom(folder.path(), GetParam().path), 0) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(Installed, LibrarySearch,
                         ::testing::Values(InstalledFile{"meshcfg", MESHCFG_PATH},
                                           InstalledFile{"meshcfg_mesh", MESHCFG_MESH_PATH},
                                           InstalledFile{"meshcfg_cli", MESHCFG_CLI_PATH},
                                           InstalledFile{"qz470_sim", QZ470_SIM_PATH},
                                           InstalledFile{"network_module", MESHCFG_NETWORK_PATH},
                                           InstalledFile{"sqlite_module", MESHCFG_SQLITE_PATH},
                                           InstalledFile{"postgresql_module",
                                                         MESHCFG_POSTGRESQL_PATH}
#ifdef MESHCFG_PYTHON_PATH
                                           ,
                                           InstalledFile{"python_module", MESHCFG_PYTHON_PATH}
#endif
                                           ),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
