// The readable source language and the token text of a program image.
//
// Tokenising (source -> tokens), per source line:
//  - a line whose first non-blank character is ' or ; is a comment and is
//    copied unchanged;
//  - outside double quotes a keyword (any letter case) at a word boundary,
//    not right after ".", becomes the statement marker 0xFF 0xE0+hi 0xE0+lo,
//    and a constant name becomes the constant marker 0xFE 0xE0+hi 0xE0+lo;
//  - escapes outside quotes: {S123} statement marker of code 123 (0..255),
//    {C72} constant marker of index 72 (0..511), {X41} the raw byte 0x41;
//  - blanks around commas outside quotes, parentheses and brackets go;
//  - trailing blanks go; the line ends in CR LF, or in a bare LF when the
//    line ends with {LF}, or in nothing when it ends with {NOEOL};
//  - everything else is copied as written. The text ends with one NUL.
// Dumping is the exact inverse: dumping a token text and tokenising the
// result gives the same bytes back (comment lines with trailing blanks
// aside).
#pragma once
#include <string>
#include <vector>

struct SourceError {
    int line;          // 1-based
    int column;        // 1-based byte column
    std::string message;
};

// False with the errors listed when the source has faults; *tokens is
// then incomplete and must not be written anywhere.
bool TokeniseSource(const std::string& source, std::string* tokens,
                    std::vector<SourceError>* errors);

// The readable source of a token text (up to its first NUL).
std::string DumpTokens(const std::string& tokens);

// The language reference in Markdown, from the keyword tables.
std::string LanguageReference();
