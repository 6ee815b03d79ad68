#include "host/command_line.h"

#include <iostream>

int main(int argc, char** argv) {
    return RunCommandLine(argc, argv, std::cout, std::cerr);
}
