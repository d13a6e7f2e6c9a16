// System services on Linux (see host/system.h). There is no shell verb, no
// sound API and no keyboard state here: the shell opens through the
// desktop's opener, sounds through an installed command-line player, and
// the key state is always 0.
#include "host/system.h"
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

void HostLocalTime(time_t t, struct tm* out) {
    if (!localtime_r(&t, out)) memset(out, 0, sizeof *out);
}

// ---- date pictures --------------------------------------------------------

static const char* const kDayNames[7] = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
static const char* const kMonthNames[12] = {
    "January", "February", "March", "April", "May", "June", "July",
    "August", "September", "October", "November", "December"};

// Appends text to out (cap bytes with terminator), silently cutting.
static void Put(char* out, int cap, int* len, const char* text, int n) {
    while (n-- > 0 && *len < cap - 1) out[(*len)++] = *text++;
}

static void PutNumber(char* out, int cap, int* len, int value, int width) {
    char buf[16];
    int n = snprintf(buf, sizeof buf, "%0*d", width, value);
    Put(out, cap, len, buf, n);
}

// One run of a picture letter: c repeated run times.
static void PutField(char* out, int cap, int* len, char c, int run, const struct tm* t) {
    if (c == 'd') {
        int wd = t->tm_wday >= 0 && t->tm_wday < 7 ? t->tm_wday : 0;
        if (run <= 2) PutNumber(out, cap, len, t->tm_mday, run);
        else Put(out, cap, len, kDayNames[wd], run == 3 ? 3 : (int)strlen(kDayNames[wd]));
    } else if (c == 'M') {
        int mon = t->tm_mon >= 0 && t->tm_mon < 12 ? t->tm_mon : 0;
        if (run <= 2) PutNumber(out, cap, len, mon + 1, run);
        else Put(out, cap, len, kMonthNames[mon], run == 3 ? 3 : (int)strlen(kMonthNames[mon]));
    } else {                                      // 'y'
        int year = t->tm_year + 1900;
        if (run == 1) PutNumber(out, cap, len, year % 100, 1);
        else if (run == 2) PutNumber(out, cap, len, year % 100, 2);
        else PutNumber(out, cap, len, year, 4);
    }
}

int HostFormatDate(const char* picture, const struct tm* t, char* out, int cap) {
    int len = 0;
    if (cap <= 0) return 0;
    for (const char* p = picture; *p;) {
        char c = *p;
        if (c == 'd' || c == 'M' || c == 'y') {
            int run = 0;
            while (p[run] == c) run++;
            PutField(out, cap, &len, c, run, t);
            p += run;
        } else if (c == '\'') {                   // quoted text; '' is one quote
            p++;
            while (*p) {
                if (*p == '\'' && p[1] == '\'') { Put(out, cap, &len, p, 1); p += 2; continue; }
                if (*p == '\'') { p++; break; }
                Put(out, cap, &len, p++, 1);
            }
        } else {
            Put(out, cap, &len, p++, 1);
        }
    }
    out[len] = 0;
    return len;
}

// ---- helper programs ------------------------------------------------------

// Full path of a program found on PATH, or "".
static std::string FindProgram(const char* name) {
    const char* path = getenv("PATH");
    if (!path) return "";
    std::string dirs = path;
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start);
        if (!candidate.empty()) {
            candidate += "/";
            candidate += name;
            if (access(candidate.c_str(), X_OK) == 0) return candidate;
        }
        start = end + 1;
    }
    return "";
}

// In a child: detach standard streams so helpers never mix into our output.
static void QuietChild(int stdinFd) {
    int null = open("/dev/null", O_RDWR);
    dup2(stdinFd >= 0 ? stdinFd : null, 0);
    dup2(null, 1);
    dup2(null, 2);
    if (null > 2) close(null);
}

// ---- shell open -----------------------------------------------------------

bool HostShellOpen(const char* file, const char* params) {
#ifdef KELTRA_FUZZ_BUILD
    (void)file; (void)params;
    return false;   // fuzzed programs never start anything
#endif
    // Parameters only reach a program started directly; the opener takes one target.
    (void)params;
    bool isUrl = strstr(file, "://") != nullptr;
    struct stat st;
    if (!*file || (!isUrl && stat(file, &st) != 0)) return false;
    std::string opener = FindProgram("xdg-open");
    if (opener.empty()) return false;
    // The opener runs in a grandchild; the child waits for it up to three
    // seconds and reports its exit status (still running counts as started).
    pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        setsid();
        pid_t run = fork();
        if (run < 0) _exit(1);
        if (run == 0) {
            QuietChild(-1);
            execl(opener.c_str(), "xdg-open", file, (char*)nullptr);
            _exit(127);
        }
        for (int i = 0; i < 30; i++) {
            int status = 0;
            if (waitpid(run, &status, WNOHANG) == run)
                _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 1);
            usleep(100000);
        }
        _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// ---- sound ----------------------------------------------------------------

static pid_t soundPid = 0;   // process group of the sound playing asynchronously

static void StopSound() {
    if (soundPid > 0) {
        kill(-soundPid, SIGTERM);
        while (waitpid(soundPid, nullptr, 0) < 0 && errno == EINTR) {}
        soundPid = 0;
    }
}

static std::string FindPlayer() {
    static const char* const players[] = {"paplay", "pw-play", "aplay"};
    for (const char* p : players) {
        std::string path = FindProgram(p);
        if (!path.empty()) return path;
    }
    return "";
}

// In the sound child: play a file, or feed a memory image to the player.
static void PlayInChild(const std::string& player, const char* file, const void* data, size_t size) {
    if (file) {
        QuietChild(-1);
        execl(player.c_str(), player.c_str(), file, (char*)nullptr);
        _exit(127);
    }
    int fds[2];
    if (pipe(fds) != 0) _exit(1);
    pid_t run = fork();
    if (run < 0) _exit(1);
    if (run == 0) {
        close(fds[1]);
        QuietChild(fds[0]);
        execl(player.c_str(), player.c_str(), (char*)nullptr);
        _exit(127);
    }
    close(fds[0]);
    signal(SIGPIPE, SIG_IGN);
    const char* p = (const char*)data;
    while (size > 0) {
        ssize_t w = write(fds[1], p, size);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) break;
        p += w;
        size -= (size_t)w;
    }
    close(fds[1]);
    while (waitpid(run, nullptr, 0) < 0 && errno == EINTR) {}
    _exit(0);
}

void HostPlaySound(const char* file, const void* data, size_t size, uint32_t flags) {
#ifdef KELTRA_FUZZ_BUILD
    (void)file; (void)data; (void)size; (void)flags;
    return;         // fuzzed programs play nothing (failures are silent anyway)
#endif
    StopSound();
    if (!file && !data) return;
    if (file) {
        struct stat st;
        if (stat(file, &st) != 0 || !S_ISREG(st.st_mode)) return;
    }
    std::string player = FindPlayer();
    if (player.empty()) return;
    fflush(nullptr);
    pid_t child = fork();
    if (child < 0) return;
    if (child == 0) {
        setpgid(0, 0);
        PlayInChild(player, file, data, size);
    }
    setpgid(child, child);
    if (flags & SOUND_ASYNC) { soundPid = child; return; }
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {}
}

// ---- keyboard -------------------------------------------------------------

int32_t HostKeyState(int32_t virtualKey) {
    (void)virtualKey;
    return 0;
}
