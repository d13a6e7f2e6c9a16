// The statement record: one decoded line.
#pragma once
#include <cstdint>

enum ArgClass : int32_t {
    AC_NUMBER = 0, AC_TEXT = 1, AC_NAME = 2, AC_EXPRESSION = 3, AC_OTHER = 4,
};

enum { MAX_ARGS = 25, ARG_TEXT_SIZE = 256 };

struct StatementRecord {
    uint16_t code;
    uint16_t argCount;
    char* statementText;
    char* argText[MAX_ARGS];   // each points into one block of 25 x 256 + 1 bytes
    int32_t argClass[MAX_ARGS];
    int32_t resultType;        // 99 = no result
    int32_t redirect;          // 1 when the print handler writes to a file
    char* block;               // the argument text block
    char* rewrite;             // an implicit call's rewritten text, kept until the next decode
};
