#pragma once

#include <QString>

// Writes one line to standard output at once, so a test that hangs or crashes still shows what
// the page said before. Line breaks inside the text are written as "\n" to keep one line each.
void printLine(const QString& prefix, const QString& text);
