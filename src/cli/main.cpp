#include "cli/report.h"

#include <iostream>

#ifdef _WIN32
#include "recorder/filepath.h"

#include <cstdio>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // The arguments in UTF-8, as file names travel everywhere: argv holds them in the ANSI code
    // page, which cannot name every file. The output is UTF-8 with the line ends we write; a
    // text-mode stream would make every CR LF a CR CR LF.
    std::vector<std::string> args;
    int count = 0;
    if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            args.push_back(orvane::Utf8FromWide(wide[i], std::wcslen(wide[i])));
        ::LocalFree(wide);
    } else {
        args.assign(argv + 1, argv + argc);
    }
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
#else
    std::vector<std::string> args(argv + 1, argv + argc);
#endif
    return orvane::cli::RunReport(args, std::cout, std::cerr);
}
