// The help command: the help index rhelp.hlp, topic files rhelp.<c>, or a
// named file, shown page by page.
#pragma once

#include <cstdio>

// Lines shown on one page before the page prompt.
inline constexpr int kHelpPageLines = 24;

// Always 0.
int helpCommand(FILE* input);
// 0 at the end of the file, 27 when the escape key was pressed at a page
// prompt, -1 when the file cannot be opened.
int showHelpFile(const char* name);
// Waits for one character at the foot of the page and clears the screen.
int pagePrompt();
