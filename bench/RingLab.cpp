#include "RingLab.h"

std::string ringLab(int modules, int firstCom) {
    std::string text;
    for (int id = 1; id <= modules; ++id)
        text += "[[node]]\nid = " + std::to_string(id) +
                "\ncom = " + std::to_string(firstCom + id - 1) + "\n";
    for (int id = 1; id <= modules; ++id)
        text += "[[link]]\nnodes = [" + std::to_string(id) + ", " +
                std::to_string(id % modules + 1) +
                "]\nlink_value = " + std::to_string(40 + id % 50) + "\n";
    return text;
}
