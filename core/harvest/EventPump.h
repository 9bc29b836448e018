// The one place where a walk hands control to the window system.
//
// Every walk runs on the user-interface thread. Between steps it calls YieldToEventLoop(),
// which lets the installed pump process pending events at most about every 15 ms, so that
// a walk runs at full speed while Stop and the status panes still answer at once.
#pragma once

#include <functional>

namespace tessaly {

// Installs the pump (the application processes pending window events there); an empty
// function removes it. The command-line harvester installs none.
void InstallEventPump(std::function<void()> pump);

// Runs the pump when the throttle interval has passed since the last pass.
void YieldToEventLoop();

// Runs the pump now, whatever the throttle says (after a pane text changed, for instance).
void YieldToEventLoopNow();

// How many times the pump actually ran; lets tests check the throttle.
unsigned long EventPumpPasses();

}  // namespace tessaly
