// System services on Windows (see host/system.h): the real date, shell,
// sound and keyboard calls.
#include "host/system.h"
#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <cstring>

void HostLocalTime(time_t t, struct tm* out) {
    if (localtime_s(out, &t) != 0) memset(out, 0, sizeof *out);
}

int HostFormatDate(const char* picture, const struct tm* t, char* out, int cap) {
    if (!out || cap <= 0) return 0;
    out[0] = 0;
    SYSTEMTIME st = {};
    st.wYear = (WORD)(t->tm_year + 1900);
    st.wMonth = (WORD)(t->tm_mon + 1);
    st.wDayOfWeek = (WORD)t->tm_wday;
    st.wDay = (WORD)t->tm_mday;
    // The system refuses a picture whose result does not fit; the result is
    // then built in a larger buffer and cut.
    char wide[1024];
    int n = GetDateFormatA(LOCALE_USER_DEFAULT, 0, &st, picture, wide, sizeof wide);
    if (n <= 0) return 0;
    int len = (int)strlen(wide);
    if (len > cap - 1) len = cap - 1;
    memcpy(out, wide, (size_t)len);
    out[len] = 0;
    return len;
}

bool HostShellOpen(const char* file, const char* params) {
    HINSTANCE r = ShellExecuteA(nullptr, "open", file, params, nullptr, SW_SHOWNORMAL);
    return (INT_PTR)r > 32;
}

void HostPlaySound(const char* file, const void* data, size_t size, uint32_t flags) {
    (void)size;
    if (file) PlaySoundA(file, nullptr, flags);
    else if (data) PlaySoundA(static_cast<const char*>(data), nullptr, flags);
    else PlaySoundA(nullptr, nullptr, flags);
}

int32_t HostKeyState(int32_t virtualKey) {
    return (int32_t)(int16_t)GetAsyncKeyState(virtualKey);
}
