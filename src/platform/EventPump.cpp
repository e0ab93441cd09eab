#include "EventPump.h"

namespace {
std::function<void()>& Pump() {
    static std::function<void()> pump;
    return pump;
}
} // namespace

void InstallMessagePump(std::function<void()> pump) {
    Pump() = std::move(pump);
}

void ProcessPendingMessages() {
    if (Pump()) Pump()();
}
