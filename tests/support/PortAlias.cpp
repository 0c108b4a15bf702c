#include "PortAlias.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "PortNames.h"

PortAlias::PortAlias(int port, const std::string& target) {
    const std::string directory = ports::aliasDirectory();
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        throw std::system_error(errno, std::generic_category(), "mkdir " + directory);
    }
    m_path = directory + "/COM" + std::to_string(port);
    if (::symlink(target.c_str(), m_path.c_str()) != 0) {
        throw std::system_error(errno, std::generic_category(), "symlink " + m_path);
    }
}

PortAlias::~PortAlias() {
    ::unlink(m_path.c_str());
}
