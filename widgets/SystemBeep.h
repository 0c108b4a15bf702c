#pragma once
// The short system alert sound for refused input. Tests replace it to count beeps.

#include <functional>

namespace widgets {

void systemBeep();
void setBeepHook(std::function<void()> hook);  // empty hook: the real beep again

}  // namespace widgets
