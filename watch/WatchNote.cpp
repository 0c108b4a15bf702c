#include "WatchNote.h"

#include <cstdio>

#include "PrintableText.h"

namespace watch {

void watchNote(const std::string& text) {
    const std::string line = "meshcfg-watch: " + files::printableText(text) + "\n";
    std::fputs(line.c_str(), stderr);
}

}  // namespace watch
