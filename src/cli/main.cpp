#include "cli/report.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return orvane::cli::RunReport(args, std::cout, std::cerr);
}
