#include "SystemBeep.h"

#include <QApplication>

namespace widgets {

namespace {
std::function<void()>& beepHook() {
    static std::function<void()> hook;
    return hook;
}
}  // namespace

void systemBeep() {
    if (beepHook()) {
        beepHook()();
    } else {
        QApplication::beep();
    }
}

void setBeepHook(std::function<void()> hook) {
    beepHook() = std::move(hook);
}

}  // namespace widgets
