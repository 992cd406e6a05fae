#include "Startup.h"

#include "WideText.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

void binaryStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

// The wide command line, so that text beyond the ANSI code page arrives intact.
std::string pinArgument(int, char**) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments)
        return {};
    std::string result = count > 1 ? toUtf8(arguments[1]) : std::string();
    for (int i = 0; i < count; ++i)
        SecureZeroMemory(arguments[i], wcslen(arguments[i]) * sizeof(wchar_t));
    LocalFree(arguments);
    return result;
}
