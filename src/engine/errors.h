// The engine's error codes: one 8-bit number per kind of failure.
// The run loop stops after the line in which a code becomes non-zero and
// Finish reports it. Numbers not listed here are never set.
#pragma once

enum ErrorCode : unsigned char {
    ERR_NONE = 0,
    ERR_SYNTAX = 1,            // class 4 argument, bad call name, wrong count (some statements) ...
    ERR_NO_MEMORY = 2,
    ERR_RANGE = 7,             // index or record outside its bounds
    ERR_DIV_ZERO = 8,
    ERR_DUPLICATE = 9,         // a name declared twice in one list
    ERR_NOT_FOUND = 10,        // a variable name found nowhere
    ERR_CONVERSION = 11,       // assignment between types that do not convert
    ERR_NO_LABEL = 12,         // jump or call to a name that does not exist
    ERR_INPUT_END = 13,
    ERR_TYPE = 14,             // wrong argument type
    ERR_SWITCH_WORD = 15,
    ERR_TOO_MANY_OPS = 16,
    ERR_NO_ENDIF = 17,
    ERR_PARENS = 18,
    ERR_NOT_NUMBER = 19,
    ERR_NOT_INTEGER = 20,
    ERR_DELETE_STATIC = 21,
    ERR_DELETE_OPEN = 22,
    ERR_NO_NAMED_VALUE = 24,
    ERR_NO_OBJECT = 25,
    ERR_ALREADY_OPEN = 26,
    ERR_FILE_DIALOG = 29,
    ERR_NO_CONTROL = 30,
    ERR_CONTROL_CLASS = 31,
    ERR_EXPR_TOO_LONG = 32,
    ERR_STACK_FULL = 34,
    ERR_RETURN_NO_CALL = 35,
    ERR_NO_ENDSELECT = 36,
    ERR_CASE_NO_SELECT = 37,
    ERR_ENDSELECT_NO_SELECT = 38,
    ERR_NO_WEND = 39,
    ERR_WEND_NO_WHILE = 40,
    ERR_CONTROL_ID_ZERO = 41,
    ERR_ELSE_NO_END = 43,
    ERR_STRING_NO_SIZE = 44,
    ERR_ZERO_DIMENSION = 45,
    ERR_BAD_START = 46,        // record number below 1, substring start below 1 ...
    ERR_TYPE_BLOCK = 47,
    ERR_UNTIL_NO_REPEAT = 49,
    ERR_NO_UNTIL = 50,
    ERR_PARAMS_TWICE = 51,
    ERR_FILE_NOT_OPEN = 52,
    ERR_DLL_LOAD = 53,
    ERR_DLL_EXPORT = 54,
    ERR_NO_TYPE = 55,
    ERR_ARG_COUNT = 56,
    ERR_DLL_ARG = 57,
    ERR_CONST_ASSIGN = 58,
    ERR_BITMAP_INFO = 60,
    ERR_BITMAP_ZERO = 61,
    ERR_BAD_PARAM_TYPE = 62,
    ERR_STORE_PAST_END = 65,
    ERR_NO_BROWSER = 66,
    ERR_DUPLICATE_ID = 68,

    // Codes of our own, from numbers the table leaves free.
    ERR_UNAVAILABLE = 69,      // the statement is not available in this engine build
    ERR_BAD_CODE = 70,         // statement code 249..255 or marker bytes outside 0xE0..0xEF
    ERR_TOO_LONG = 71,         // a line or argument text does not fit its buffer
    ERR_BAD_CONSTANT = 72,     // constant marker naming an index 498..511
    ERR_RUN_LIMIT = 73,        // the run limit of the fuzzing build was reached
};
