// The process console as the engine core sees it. Core code never calls the
// platform directly; each host has its own implementation of these calls
// (src/host/linux/console.cpp, src/host/win/console.cpp).
//
// Line input is not here: the core reads lines from the C run-time's stdin,
// which ConsoleOpen must leave bound to the console (or to whatever the
// process was given as its standard input).
#pragma once
#include <cstddef>

namespace host {

// Makes sure the process has a console and that the C run-time's stdout and
// stdin reach it. Called on demand before the first console output and by the
// open-console statement; calling it again while open is allowed.
// Linux: the terminal (or redirected stdout) exists from the start; nothing to do.
// Windows: AllocConsole, re-bind stdout/stdin, install the Ctrl+C handler,
// bring the console window to the front.
void ConsoleOpen();

// Detaches the console. Windows: FreeConsole and null standard handles.
void ConsoleClose();

// Writes len bytes to the console's standard output in one piece, in order
// with everything else the engine writes to stdout.
void ConsoleWrite(const char* text, size_t len);

// Blanks the whole screen and moves the cursor to the top left.
void ConsoleClear();

// Moves the cursor to 0-based (row, column); a position the console
// refuses (negative, off screen) is ignored.
void ConsoleSetCursor(int row, int column);

// Sets the text attribute in the Windows console encoding: bits 0-3 the
// foreground colour, bits 4-7 the background (1 blue, 2 green, 4 red,
// 8 bright). Only the low 16 bits count.
void ConsoleSetAttribute(unsigned attribute);

// Takes one pending key without waiting and without echo, and drops any
// other pending input. Returns the key's character code, or with
// virtualKey set its virtual-key code (low 8 bits); 0 when no key is
// pending, when the pending event is no key press, or when the process
// has no interactive console.
int ConsoleReadKey(bool virtualKey);

}  // namespace host
