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
 * Yes, else Abort, else Retry, else Cancel.
 *
 * With --console-check every record starts with "[console] " or
 * "[no console] ", telling whether a console window had appeared by then.
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
};

/* The message of a box is the text of its static controls. */
static BOOL CALLBACK CollectStatic(HWND w, LPARAM param) {
    struct Collect* c = (struct Collect*)param;
    char cls[64], text[4096];
    GetClassNameA(w, cls, sizeof cls);
    if (_stricmp(cls, "Static") != 0) return TRUE;
    TextOf(w, text, sizeof text);
    if (!text[0]) return TRUE;
    if (c->text[0] && strlen(c->text) + 1 < sizeof c->text) strcat(c->text, "\n");
    strncat(c->text, text, sizeof c->text - strlen(c->text) - 1);
    return TRUE;
}

static BOOL CALLBACK FindConsole(HWND w, LPARAM param) {
    char cls[64];
    GetClassNameA(w, cls, sizeof cls);
    if (IsWindowVisible(w) && (!strcmp(cls, "WineConsoleClass") || !strcmp(cls, "ConsoleWindowClass"))) {
        *(int*)param = 1;
        return FALSE;
    }
    return TRUE;
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
    TextOf(dlg, caption, sizeof caption);
    EnumChildWindows(dlg, CollectStatic, (LPARAM)&c);
    if (consoleCheck) {
        int console = 0;
        EnumWindows(FindConsole, (LPARAM)&console);
        fputs(console ? "[console] " : "[no console] ", record);
    }
    if (!strcmp(caption, "Error")) fprintf(record, "%s\n", c.text);
    else fprintf(record, "%s: %s\n", caption, c.text);
    fflush(record);
    dialogCount++;
    if (holdFolder) Hold();
    Answer(dlg);
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
