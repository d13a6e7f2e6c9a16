// Console on Linux: the terminal (or whatever stdout and stdin are) exists
// from the start. Screen control uses ANSI escape sequences, written only
// when stdout is a terminal so that redirected output stays plain text.
#include "host/console.h"
#include <cstdio>
#include <termios.h>
#include <unistd.h>
#include <poll.h>

namespace host {

// Asked once: a terminal test per print would cost a system call each time.
static bool OutIsTerminal() {
    static const bool terminal = isatty(STDOUT_FILENO) == 1;
    return terminal;
}

static void Escape(const char* seq) {
    if (!OutIsTerminal()) return;
    fputs(seq, stdout);
    fflush(stdout);
}

void ConsoleOpen() {}
void ConsoleClose() { fflush(stdout); }

void ConsoleWrite(const char* text, size_t len) {
    fwrite(text, 1, len, stdout);
    if (OutIsTerminal()) fflush(stdout);
}

void ConsoleClear() { Escape("\x1b[2J\x1b[H"); }

void ConsoleSetCursor(int row, int column) {
    if (row < 0 || column < 0 || row > 9999 || column > 9999) return;
    char seq[32];
    snprintf(seq, sizeof seq, "\x1b[%d;%dH", row + 1, column + 1);
    Escape(seq);
}

// Windows colour bits are blue 1, green 2, red 4; ANSI numbers red 1, green 2, blue 4.
static int AnsiColour(unsigned c) { return ((c & 4) ? 1 : 0) | (c & 2) | ((c & 1) ? 4 : 0); }

void ConsoleSetAttribute(unsigned attribute) {
    unsigned fg = attribute & 15, bg = (attribute >> 4) & 15;
    char seq[48];
    snprintf(seq, sizeof seq, "\x1b[0;%d;%dm", (fg & 8 ? 90 : 30) + AnsiColour(fg),
             (bg & 8 ? 100 : 40) + AnsiColour(bg));
    Escape(seq);
}

// Reads what is pending right now into buf without waiting.
static int ReadPending(unsigned char* buf, int size) {
    int n = 0;
    while (n < size) {
        struct pollfd p = {STDIN_FILENO, POLLIN, 0};
        if (poll(&p, 1, 0) != 1 || !(p.revents & POLLIN)) break;
        if (read(STDIN_FILENO, buf + n, 1) != 1) break;
        n++;
    }
    return n;
}

// Virtual-key code of an escape sequence (arrows, Home, End), else 27.
static int SequenceKey(const unsigned char* b, int n) {
    if (n < 3 || (b[1] != '[' && b[1] != 'O')) return 27;
    switch (b[2]) {
    case 'A': return 0x26;
    case 'B': return 0x28;
    case 'C': return 0x27;
    case 'D': return 0x25;
    case 'H': return 0x24;
    case 'F': return 0x23;
    }
    return 27;
}

static int KeyCode(const unsigned char* b, int n, bool virtualKey) {
    int c = b[0];
    if (c == '\n') return 13;
    if (c == 27 && n > 1) return virtualKey ? SequenceKey(b, n) : 0;  // no character for arrows
    if (!virtualKey) return c;
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    if (c == 127) return 8;
    return c;
}

int ConsoleReadKey(bool virtualKey) {
    if (isatty(STDIN_FILENO) != 1) return 0;
    fflush(stdout);
    struct termios saved, raw;
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return 0;
    raw = saved;
    raw.c_lflag &= ~(ICANON | ECHO);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) return 0;
    unsigned char buf[16];
    int n = ReadPending(buf, sizeof buf);
    tcflush(STDIN_FILENO, TCIFLUSH);     // the rest of the pending input is dropped
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    return n > 0 ? (KeyCode(buf, n, virtualKey) & 0xFF) : 0;
}

}  // namespace host
