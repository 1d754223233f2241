#include "cli/report.h"

#include "platform/console.h"

#include <iostream>

int main(int argc, char** argv) {
    // The arguments in UTF-8, as file names travel everywhere; the output with the line ends we
    // write.
    const std::vector<std::string> args = orvane::platform::CommandLineArguments(argc, argv);
    orvane::platform::WriteOutputAsGiven();
    return orvane::cli::RunReport(args, std::cout, std::cerr);
}
