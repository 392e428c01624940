// orvex-cli's entry point: hands the arguments to RunOrvexCli.
#include "interrupt_cleanup.h"
#include "orvex_cli.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char **argv)
{
    std::ios::sync_with_stdio(false);
    // Ctrl-C or a kill during a conversion leaves no temporary file behind.
    orvex::RemoveTempFilesOnSignals();
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = RunOrvexCli(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
    std::cout.flush();
    return status;
}
