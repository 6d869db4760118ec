#include "scenariorunner.h"

#include <cstdio>
#include <fstream>
#include <iostream>

// talbrix-trace [SCENARIO_FILE]: runs a scenario (standard input when no file
// is named) and prints the CSV trace of every tick.
int main(int argc, char **argv)
{
    if (argc > 2) {
        std::fprintf(stderr, "usage: talbrix-trace [SCENARIO_FILE]\n");
        return talbrix::scenarioBadLine;
    }
    if (argc == 2) {
        std::ifstream file(argv[1], std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "talbrix-trace: cannot open '%s'\n", argv[1]);
            return talbrix::scenarioBadLine;
        }
        return talbrix::runScenario(file, stdout, stderr);
    }
    std::ios::sync_with_stdio(false);
    return talbrix::runScenario(std::cin, stdout, stderr);
}
