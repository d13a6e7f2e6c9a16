// The console on Windows. The engine is a GUI program and starts without a
// console; the first output or an open-console statement creates one and
// binds the C run-time's stdout and stdin to it.
//
// When the process was started with its standard output already going to
// a file or a pipe (a script, a test runner), no console is created: output
// and input go through the handles the process was given, and closing the
// console keeps them, so that nothing the program prints later is lost.
#include "host/console.h"
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <cstdio>

namespace host {

namespace {

bool checkedStart = false;
bool redirected = false;     // stdout was a file or a pipe at start

bool IsFileOrPipe(HANDLE h) {
    if (!h || h == INVALID_HANDLE_VALUE) return false;
    DWORD type = GetFileType(h);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

void CheckStart() {
    if (checkedStart) return;
    checkedStart = true;
    redirected = IsFileOrPipe(GetStdHandle(STD_OUTPUT_HANDLE));
}

// Points a stream at the process's standard handle, in text mode. The
// handle is duplicated so that closing the descriptor later never closes
// the process's own handle. A GUI program's streams start without any
// descriptor, and the run-time cannot reopen such a stream: a fresh stream
// on the handle is made and its state copied over the standard one (that
// fresh stream is never used again).
void Rebind(FILE* stream, DWORD which, bool input) {
    HANDLE h = GetStdHandle(which);
    if (!h || h == INVALID_HANDLE_VALUE) return;
    fflush(stream);
    int fd = _fileno(stream);
    if (fd >= 0 && _get_osfhandle(fd) == (intptr_t)h) return;     // bound already
    HANDLE dup;
    if (!DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &dup, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return;
    int tmp = _open_osfhandle((intptr_t)dup, _O_TEXT | (input ? _O_RDONLY : 0));
    if (tmp < 0) { CloseHandle(dup); return; }
    if (fd >= 0) {
        _dup2(tmp, fd);
        _close(tmp);
    } else {
        FILE* fresh = _fdopen(tmp, input ? "r" : "w");
        if (!fresh) { _close(tmp); return; }
        *stream = *fresh;
    }
    clearerr(stream);
}

// Answers Ctrl+C and the close button; everything else takes its default.
BOOL WINAPI ControlHandler(DWORD event) {
    return event == CTRL_C_EVENT || event == CTRL_CLOSE_EVENT;
}

// The console window is found by a title nobody else has.
void BringToFront() {
    char saved[1024];
    DWORD n = GetConsoleTitleA(saved, sizeof saved);
    char unique[64];
    wsprintfA(unique, "%d/%d", (int)GetTickCount(), (int)GetCurrentProcessId());
    if (!SetConsoleTitleA(unique)) return;
    Sleep(100);
    HWND window = FindWindowA(nullptr, unique);
    SetConsoleTitleA(n ? saved : "");
    if (window) SetForegroundWindow(window);
}

HANDLE Out() { return GetStdHandle(STD_OUTPUT_HANDLE); }

}  // namespace

void ConsoleOpen() {
    CheckStart();
    if (!redirected) AllocConsole();      // fails harmlessly when one exists
    Rebind(stdout, STD_OUTPUT_HANDLE, false);
    Rebind(stdin, STD_INPUT_HANDLE, true);
    setvbuf(stdout, nullptr, _IONBF, 0);
    SetConsoleCtrlHandler(ControlHandler, TRUE);
    if (!redirected) BringToFront();
}

void ConsoleClose() {
    CheckStart();
    fflush(stdout);
    if (redirected) return;
    FreeConsole();
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    SetStdHandle(STD_INPUT_HANDLE, nullptr);
}

void ConsoleWrite(const char* text, size_t len) {
    fwrite(text, 1, len, stdout);
    fflush(stdout);
}

void ConsoleClear() {
    HANDLE out = Out();
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(out, &info)) return;
    DWORD cells = (DWORD)info.dwSize.X * (DWORD)info.dwSize.Y, done;
    COORD origin = {0, 0};
    FillConsoleOutputCharacterA(out, ' ', cells, origin, &done);
    if (GetConsoleScreenBufferInfo(out, &info))
        FillConsoleOutputAttribute(out, info.wAttributes, cells, origin, &done);
    SetConsoleCursorPosition(out, origin);
}

void ConsoleSetCursor(int row, int column) {
    if (row < 0 || column < 0 || row > 0x7FFF || column > 0x7FFF) return;
    COORD at = {(SHORT)column, (SHORT)row};
    fflush(stdout);
    SetConsoleCursorPosition(Out(), at);
}

void ConsoleSetAttribute(unsigned attribute) {
    fflush(stdout);
    SetConsoleTextAttribute(Out(), (WORD)attribute);
}

int ConsoleReadKey(bool virtualKey) {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD pending = 0, got = 0;
    if (!GetNumberOfConsoleInputEvents(in, &pending) || pending == 0) return 0;
    INPUT_RECORD event;
    if (!ReadConsoleInputA(in, &event, 1, &got) || got != 1) return 0;
    if (event.EventType != KEY_EVENT || !event.Event.KeyEvent.bKeyDown) return 0;
    FlushConsoleInputBuffer(in);
    if (virtualKey) return event.Event.KeyEvent.wVirtualKeyCode & 0xFF;
    return (unsigned char)event.Event.KeyEvent.uChar.AsciiChar;
}

}  // namespace host
