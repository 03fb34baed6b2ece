// Writes the deterministic benchmark log to standard output: generate-log MEGABYTES
#include <cstdio>
#include <cstdlib>

#include "LogGenerator.h"

int main(int argc, char** argv) {
    const long megabytes = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    if (megabytes <= 0) {
        std::fprintf(stderr, "usage: generate-log MEGABYTES\n");
        return 2;
    }
    const std::string log = orvel::bench::LogGenerator().generate(static_cast<std::size_t>(megabytes) << 20);
    std::fwrite(log.data(), 1, log.size(), stdout);
    return 0;
}
