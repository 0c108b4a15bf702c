#pragma once
// A qz470-sim lab of modules in a ring, each heard by the next, link values spread from 40 up,
// their aliases numbered on from a first COM number.

#include <string>

std::string ringLab(int modules, int firstCom);
