#include "harvest/EventPump.h"

#include <chrono>
#include <utility>

namespace tessaly {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kInterval = std::chrono::milliseconds(15);

std::function<void()> g_pump;
Clock::time_point g_next{};
unsigned long g_passes = 0;
bool g_inPump = false;

void RunPump() {
  // A pump that itself starts a walk (a modal box that runs a nested loop) must not
  // recurse into itself.
  if (!g_pump || g_inPump) return;
  struct Reentry {
    Reentry() { g_inPump = true; }
    ~Reentry() { g_inPump = false; }
  } reentry;
  ++g_passes;
  g_next = Clock::now() + kInterval;
  g_pump();
}

}  // namespace

void InstallEventPump(std::function<void()> pump) {
  g_pump = std::move(pump);
  g_next = Clock::time_point{};
}

void YieldToEventLoop() {
  if (!g_pump) return;
  if (Clock::now() < g_next) return;
  RunPump();
}

void YieldToEventLoopNow() { RunPump(); }

unsigned long EventPumpPasses() { return g_passes; }

}  // namespace tessaly
