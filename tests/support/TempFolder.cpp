#include "TempFolder.h"

#include <stdlib.h>

#include <system_error>

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "meshcfg-record-XXXXXX");
    if (!::mkdtemp(pattern.data())) throw std::system_error(errno, std::generic_category());
    m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempFolder::sqliteUrl(const std::string& name) const {
    return "sqlite://" + (m_path / name).string();
}
