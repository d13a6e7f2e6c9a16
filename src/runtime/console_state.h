// State of the console and text output beyond the interpreter's own fields,
// and the hooks other subsystems use to take part in text output.
#pragma once
#include <cstddef>
#include <cstdint>
#include "engine/keltra.h"

// Draws len bytes of text into a program window at its current drawing
// position, advancing that position (BeginDraw/EndDraw of the window). The
// window subsystem sets it; it must check that window is one of its live
// windows and draw nothing otherwise. Null: no windows in this build, so
// text sent to an output window is dropped.
typedef void (*WindowTextHook)(Keltra& k, uintptr_t window, const char* text, size_t len);

struct ConsoleState : SubsystemState {
    // The output window: when non-zero, console-bound print output goes to it.
    // Set by the set-output-window statement or a WINDOW value as the first
    // print argument; the window close statement clears it when it closes
    // this window (ClearOutputWindow).
    uintptr_t outputWindow = 0;
    int printDepth = 0;                  // prints under way (a nested one uses its own buffer)
    WindowTextHook drawText = nullptr;   // survives Reset: it is wiring, not run state
    void Reset() override { outputWindow = 0; printDepth = 0; }
};

inline ConsoleState& Console(Keltra& k) { return k.Ext<ConsoleState>(EXT_CONSOLE); }

// Called when a window closes: text output returns to the console if the
// closed window was the output window.
inline void ClearOutputWindow(Keltra& k, uintptr_t window) {
    ConsoleState& c = Console(k);
    if (c.outputWindow == window) c.outputWindow = 0;
}

// Makes sure the console is open (opened on demand by the console statements).
void EnsureConsole(Keltra& k);

// Appends the print form of one value to out (at most room - 1 characters
// plus a terminator); returns the number of characters appended. Exposed so
// that other output statements format values the same way.
size_t FormatPrintValue(Keltra& k, const ValueRecord& v, char* out, size_t room);
