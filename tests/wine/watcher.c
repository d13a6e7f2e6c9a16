/* The watcher of the Windows test runs.
 *
 *   watcher.exe [--console-check] [--no-std-handles] [--hold FOLDER]
 *               [--timeout SECONDS] RECORD PROGRAM.exe
 *
 * Starts PROGRAM with this process's standard handles, then watches the
 * desktop for dialog windows (message boxes, common dialogs) that belong to
 * it. Each one is written to RECORD as the Linux engine would write it on
 * standard error, so that the same expected-output files serve both:
 *   caption "Error":   the box's text and a line end;
 *   any other caption: "caption: text" and a line end.
 * Then the button the Linux engine takes as the answer is pressed: OK, else
 * Yes, else Abort, else Retry, else Cancel. A dialog with an input field
 * (a common dialog such as the file dialog) is recorded as
 * "caption: (dialog)" and cancelled.
 *
 * With --console-check every record starts with "[no console] " when the
 * program has no console at that moment, else with "[console: TEXT] ",
 * TEXT being the lines on its console screen joined by " / ".
 * With --no-std-handles the program gets no standard handles at all, as
 * when started from the desktop, so its console is a real console window.
 * With --hold, before answering dialog N (from 1) the file FOLDER\held-N is
 * created and the dialog stays until someone deletes that file (at most 30
 * seconds): a script takes its screenshot meanwhile.
 * The exit status is the program's; a program still running at the timeout
 * is ended, "watcher: timeout" is recorded and the status is 124.
 */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static DWORD childPid;
static HWND seen[64];
static int seenCount;
static FILE* record;
static int consoleCheck;
static const char* holdFolder;
static int dialogCount;

/* Keeps the dialog on screen until the hold file is removed. */
static void Hold(void) {
    char path[MAX_PATH];
    FILE* f;
    DWORD start = GetTickCount();
    snprintf(path, sizeof path, "%s\\held-%d", holdFolder, dialogCount);
    f = fopen(path, "wb");
    if (!f) return;
    fclose(f);
    while (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 30000)
        Sleep(50);
}

static int AlreadySeen(HWND w) {
    for (int i = 0; i < seenCount; i++)
        if (seen[i] == w) return 1;
    return 0;
}

/* Text of a window of another process, without hanging on a busy one. */
static void TextOf(HWND w, char* out, int cap) {
    DWORD_PTR len = 0;
    out[0] = 0;
    if (!SendMessageTimeoutA(w, WM_GETTEXT, (WPARAM)cap, (LPARAM)out, SMTO_ABORTIFHUNG, 2000, &len))
        out[0] = 0;
    out[cap - 1] = 0;
}

struct Collect {
    char text[8192];
    int inputs;                /* edit fields and combo boxes */
};

/* The message of a box is the text of its static controls. */
static BOOL CALLBACK CollectStatic(HWND w, LPARAM param) {
    struct Collect* c = (struct Collect*)param;
    char cls[64], text[4096];
    GetClassNameA(w, cls, sizeof cls);
    if (!_stricmp(cls, "Edit") || !_stricmp(cls, "ComboBox") || !_stricmp(cls, "ComboBoxEx32")) c->inputs++;
    if (_stricmp(cls, "Static") != 0) return TRUE;
    TextOf(w, text, sizeof text);
    if (!text[0]) return TRUE;
    if (c->text[0] && strlen(c->text) + 1 < sizeof c->text) strcat(c->text, "\n");
    strncat(c->text, text, sizeof c->text - strlen(c->text) - 1);
    return TRUE;
}

/* The text on the program's console screen so far, its lines joined by
 * " / "; returns 0 when the program has no console. */
static int ConsoleText(char* out, int cap) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    HANDLE screen;
    int len = 0;
    out[0] = 0;
    if (!AttachConsole(childPid)) return 0;
    screen = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         NULL, OPEN_EXISTING, 0, NULL);
    if (screen != INVALID_HANDLE_VALUE && GetConsoleScreenBufferInfo(screen, &info)) {
        for (SHORT row = 0; row <= info.dwCursorPosition.Y; row++) {
            char line[512];
            DWORD got = 0, width = info.dwSize.X < 511 ? (DWORD)info.dwSize.X : 511;
            COORD at = {0, row};
            if (!ReadConsoleOutputCharacterA(screen, line, width, at, &got)) break;
            while (got > 0 && line[got - 1] == ' ') got--;
            line[got] = 0;
            if (!got) continue;
            len += snprintf(out + len, (size_t)(cap - len), "%s%s", len ? " / " : "", line);
            if (len >= cap - 1) break;
        }
    }
    if (screen != INVALID_HANDLE_VALUE) CloseHandle(screen);
    FreeConsole();
    return 1;
}

static void Answer(HWND dlg) {
    static const int order[] = {IDOK, IDYES, IDABORT, IDRETRY, IDCANCEL};
    for (int i = 0; i < 5; i++) {
        HWND b = GetDlgItem(dlg, order[i]);
        if (b) {
            PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(order[i], BN_CLICKED), (LPARAM)b);
            return;
        }
    }
    PostMessageA(dlg, WM_CLOSE, 0, 0);
}

static void Handle(HWND dlg) {
    char caption[1024];
    struct Collect c;
    c.text[0] = 0;
    c.inputs = 0;
    TextOf(dlg, caption, sizeof caption);
    EnumChildWindows(dlg, CollectStatic, (LPARAM)&c);
    if (consoleCheck) {
        char screen[2048];
        if (ConsoleText(screen, sizeof screen)) fprintf(record, "[console: %s] ", screen);
        else fputs("[no console] ", record);
    }
    if (c.inputs) fprintf(record, "%s: (dialog)\n", caption);
    else if (!strcmp(caption, "Error")) fprintf(record, "%s\n", c.text);
    else fprintf(record, "%s: %s\n", caption, c.text);
    fflush(record);
    dialogCount++;
    if (holdFolder) Hold();
    if (c.inputs) PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(dlg, IDCANCEL));
    else Answer(dlg);
}

static BOOL CALLBACK Look(HWND w, LPARAM param) {
    DWORD pid = 0;
    char cls[64];
    (void)param;
    GetWindowThreadProcessId(w, &pid);
    if (pid != childPid || !IsWindowVisible(w) || AlreadySeen(w)) return TRUE;
    GetClassNameA(w, cls, sizeof cls);
    if (strcmp(cls, "#32770") != 0) return TRUE;
    if (seenCount < 64) seen[seenCount++] = w;
    else { memmove(seen, seen + 1, sizeof seen - sizeof seen[0]); seen[63] = w; }
    Handle(w);
    return TRUE;
}

int main(int argc, char** argv) {
    int arg = 1, timeout = 60, noStd = 0;
    for (; arg < argc && argv[arg][0] == '-'; arg++) {
        if (!strcmp(argv[arg], "--console-check")) consoleCheck = 1;
        else if (!strcmp(argv[arg], "--no-std-handles")) noStd = 1;
        else if (!strcmp(argv[arg], "--hold") && arg + 1 < argc) holdFolder = argv[++arg];
        else if (!strcmp(argv[arg], "--timeout") && arg + 1 < argc) timeout = atoi(argv[++arg]);
    }
    if (argc - arg != 2) {
        fprintf(stderr, "usage: watcher [--console-check] [--no-std-handles] [--hold DIR] [--timeout S] RECORD PROGRAM\n");
        return 2;
    }
    record = fopen(argv[arg], "wb");
    if (!record) return 2;

    STARTUPINFOA si;
    PROCESS_INFORMATION pi;
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = noStd ? NULL : GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = noStd ? NULL : GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = noStd ? NULL : GetStdHandle(STD_ERROR_HANDLE);
    char cmd[1024];
    snprintf(cmd, sizeof cmd, "\"%s\"", argv[arg + 1]);
    if (!CreateProcessA(argv[arg + 1], cmd, NULL, NULL, !noStd, 0, NULL, NULL, &si, &pi)) {
        fprintf(record, "watcher: cannot start %s (%lu)\n", argv[arg + 1], GetLastError());
        fclose(record);
        return 2;
    }
    childPid = pi.dwProcessId;
    DWORD start = GetTickCount();
    DWORD status = 0;
    for (;;) {
        EnumWindows(Look, 0);
        if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) break;
        if (GetTickCount() - start > (DWORD)timeout * 1000) {
            TerminateProcess(pi.hProcess, 124);
            WaitForSingleObject(pi.hProcess, 5000);
            fprintf(record, "watcher: timeout\n");
            break;
        }
    }
    GetExitCodeProcess(pi.hProcess, &status);
    fclose(record);
    return (int)status;
}
