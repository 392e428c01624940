// orvex-cli's entry point: hands the arguments to RunOrvexCli.
#include "orvex_cli.h"

#include <iostream>

int main(int argc, char **argv)
{
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = RunOrvexCli(args, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
