// System services of the host: local time, date pictures, shell open,
// sounds and the keyboard state. Implemented per platform in
// host/linux/system.cpp and host/win/system.cpp. Message boxes and the
// executable's resources are in host/process.h.
#pragma once
#include <cstdint>
#include <cstddef>
#include <ctime>

// Broken-down local time of a clock value (seconds since 1970, UTC).
void HostLocalTime(time_t t, struct tm* out);

// Formats the date of t with a Windows date picture (d, dd, ddd, dddd, M,
// MM, MMM, MMMM, y, yy, yyyy, text in single quotes, '' for a quote; other
// characters are copied) in the user's default locale. Writes at most cap
// bytes including the terminator, cutting a longer result; returns its length.
int HostFormatDate(const char* picture, const struct tm* t, char* out, int cap);

// Opens a document or starts a program with the shell's "open" verb;
// params may be null. True when the system reports success.
bool HostShellOpen(const char* file, const char* params);

// Sound flags (the Windows SND_* values) the engine uses.
enum { SOUND_ASYNC = 1, SOUND_NODEFAULT = 2, SOUND_MEMORY = 4, SOUND_LOOP = 8,
       SOUND_FILENAME = 0x20000 };
// Plays a sound file (file != null), a sound image in memory (data, size),
// or stops the sound playing when both are null. flags: SOUND_* bits.
// Failures are silent.
void HostPlaySound(const char* file, const void* data, size_t size, uint32_t flags);

// The asynchronous state of a virtual key, sign-extended from 16 bits:
// negative while the key is down, bit 0 when pressed since the last query.
int32_t HostKeyState(int32_t virtualKey);
