// System services: date and time, shell open, sounds, message boxes, the
// key state, the program directory, named values, the automatic-declaration
// switch and the reserved zero function.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include "host/process.h"
#include "host/system.h"
#include "runtime/files.h"
#include "runtime/system_state.h"

int PlainArgCount(const StatementRecord* rec) {
    if (rec->argCount == 1 && !*SkipBlanks(rec->argText[0])) return 0;
    return rec->argCount;
}

// Slot 70: the date, "MM-DD-YYYY" or formatted by a date picture.
StatementRecord* Keltra::CmdDate(StatementRecord* rec) {
    int argc = PlainArgCount(rec);
    if (argc > 1) return Fail(ERR_ARG_COUNT);
    struct tm t;
    HostLocalTime(time(nullptr), &t);
    char text[256];
    if (argc == 0) {
        int year = t.tm_year + (t.tm_year >= 80 ? 1900 : 2000);
        snprintf(text, sizeof text, "%02d-%02d-%04d", t.tm_mon + 1, t.tm_mday, year);
    } else {
        ValueRecord v;
        if (!EvaluateArgument(&v, rec, 0, T_STRING)) return nullptr;
        HostFormatDate(v.text ? v.text : "", &t, text, sizeof text);
    }
    SetResultText(rec, text);
    return rec;
}

// Slot 71: the local time as "HH:MM:SS".
StatementRecord* Keltra::CmdTime(StatementRecord* rec) {
    if (PlainArgCount(rec) != 0) return Fail(ERR_ARG_COUNT);
    struct tm t;
    HostLocalTime(time(nullptr), &t);
    char text[32];
    snprintf(text, sizeof text, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    SetResultText(rec, text);
    return rec;
}

// Slot 72: seconds since midnight UTC.
StatementRecord* Keltra::CmdSecondsToday(StatementRecord* rec) {
    if (PlainArgCount(rec) != 0) return Fail(ERR_ARG_COUNT);
    SetResultFloat(rec, (float)((long long)time(nullptr) % 86400));
    return rec;
}

// Slot 36: open a document or start a program; 1 when that fails.
StatementRecord* Keltra::CmdShellOpen(StatementRecord* rec) {
    if (rec->argCount != 1 && rec->argCount != 2) return Fail(ERR_ARG_COUNT);
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_STRING)) return nullptr;
    std::string file = v.text ? v.text : "";
    std::string params;
    if (rec->argCount == 2) {
        if (!EvaluateArgument(&v, rec, 1, T_STRING)) return nullptr;
        params = v.text ? v.text : "";
    }
    bool ok = HostShellOpen(file.c_str(), rec->argCount == 2 ? params.c_str() : nullptr);
    SetResultInt(rec, ok ? 0 : 1);
    return rec;
}

// Slot 153: play a sound file or a sound image in a memory block.
StatementRecord* Keltra::CmdPlaySound(StatementRecord* rec) {
    if (rec->argCount != 2) return Fail(ERR_ARG_COUNT);
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_ANYTHING)) return nullptr;
    if (v.type != T_STRING && v.type != T_MEMORY) return Fail(ERR_TYPE);
    std::string file = v.type == T_STRING && v.text ? v.text : "";
    unsigned char* block = v.type == T_MEMORY && v.variable ? MemoryCell(v.variable) : nullptr;
    bool isText = v.type == T_STRING;
    if (!EvaluateArgument(&v, rec, 1, T_ANY_NUMBER)) return nullptr;
    uint32_t flags = (uint32_t)v.intValue | SOUND_NODEFAULT;
    if (isText) {
        HostPlaySound(file.empty() ? nullptr : file.c_str(), nullptr, 0, flags | SOUND_FILENAME);
    } else {
        // Only a block the engine allocated is handed on, with its size.
        size_t size = BlockSize(*this, block);
        HostPlaySound(nullptr, size ? block : nullptr, size, flags | SOUND_MEMORY);
    }
    return rec;
}

// Slot 168: a message box; the result is the id of the chosen button.
StatementRecord* Keltra::CmdMessageBox(StatementRecord* rec) {
    if (rec->argCount != 3 && rec->argCount != 4) return Fail(ERR_ARG_COUNT);
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_WINDOW_OR_DIALOG)) return nullptr;
    if (!EvaluateArgument(&v, rec, 1, T_STRING)) return nullptr;
    std::string text = v.text ? v.text : "";
    if (!EvaluateArgument(&v, rec, 2, T_STRING)) return nullptr;
    std::string caption = v.text ? v.text : "";
    unsigned style = 48;                     // exclamation icon, OK button
    if (rec->argCount == 4) {
        if (!EvaluateArgument(&v, rec, 3, T_ANY_NUMBER)) return nullptr;
        style = (unsigned)v.intValue;
    }
    SetResultInt(rec, HostMessageBox(caption.c_str(), text.c_str(), style));
    return rec;
}

// Slot 171: the engine's directory with its trailing separator.
StatementRecord* Keltra::CmdProgramDir(StatementRecord* rec) {
    if (PlainArgCount(rec) != 0) return Fail(ERR_ARG_COUNT);
    const char* dir = programDir.Text()[0] ? programDir.Text() : HostModuleDir();
    char text[260];
    CopyBounded(text, dir, sizeof text - 1);
    text[sizeof text - 1] = 0;
    SetResultText(rec, text);
    return rec;
}

// Slot 178: the asynchronous state of a key.
StatementRecord* Keltra::CmdKeyState(StatementRecord* rec) {
    if (rec->argCount != 1) return Fail(ERR_ARG_COUNT);
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_ANY_NUMBER)) return nullptr;
    SetResultInt(rec, HostKeyState(v.intValue));
    return rec;
}

// Slot 155: define or replace a named value for the "@" operand.
StatementRecord* Keltra::CmdSetNamedValue(StatementRecord* rec) {
    if (rec->argCount != 2) return Fail(ERR_ARG_COUNT);
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_STRING)) return nullptr;
    std::string name = v.text ? v.text : "";
    for (char& c : name) c = (char)toupper((unsigned char)c);
    if (!EvaluateArgument(&v, rec, 1, T_ANY_NUMBER)) return nullptr;
    namedValues.Set(name.c_str(), (int32_t)(uint32_t)(uint64_t)v.int64Value);
    return rec;
}

// Slot 243: switch automatic declaration "ON" or "OFF".
StatementRecord* Keltra::CmdAutoDeclare(StatementRecord* rec) {
    if (rec->argCount != 1) return Fail(ERR_ARG_COUNT);
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_STRING)) return nullptr;
    const char* word = v.text ? v.text : "";
    if (CompareNoCase(word, "ON") == 0) autoDeclare = 1;
    else if (CompareNoCase(word, "OFF") == 0) autoDeclare = 0;
    else return Fail(ERR_SWITCH_WORD);
    return rec;
}

// Slot 223: always 0.
StatementRecord* Keltra::CmdReservedZero(StatementRecord* rec) {
    if (PlainArgCount(rec) != 0) return Fail(ERR_SYNTAX);
    SetResultInt(rec, 0);
    return rec;
}
