// The fix-file reader: lines from a command file or the console, argument
// substitution and echo, characters and tokens.
#pragma once

#include <cstdio>

// Token kinds; punctuation tokens are the character itself.
inline constexpr char kTokenName = 'a';
inline constexpr char kTokenNumber = 'n';
inline constexpr char kTokenLineEnd = 'f';
inline constexpr char kTokenEnd = 'e';
inline constexpr char kTokenQuoted = '"';
inline constexpr char kTokenOther = 'c';
inline constexpr char kTokenEscape = 27;

// Token text room, terminator included; a token holds at most 39 characters.
inline constexpr int kTokenSize = 40;

int nextChar(FILE* input);
void ungetChar(int c);
char nextToken(char* text, FILE* input);
void repeatToken();
double readNumber(FILE* input);
// The next number on the current line, as readNumber reads it; false, with the
// line end or end of input left to be read again, when the line has none.
bool readNumberOnLine(FILE* input, double& value);
char skipStatement(FILE* input);
