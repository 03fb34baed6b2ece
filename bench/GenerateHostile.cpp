// Writes one hostile input of about the given size to standard output, for bench/hostile-inputs:
//   generate-hostile FAMILY MEGABYTES
// Without arguments it lists the families (HostileFamilies.h).
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "HostileFamilies.h"

int main(int argc, char** argv) {
    if (argc != 3 || !orvel::bench::hostileFamilies().contains(argv[1])) {
        for (const auto& [name, generate] : orvel::bench::hostileFamilies()) std::cout << name << '\n';
        return argc == 1 ? 0 : 2;
    }
    const std::size_t bytes = static_cast<std::size_t>(std::atof(argv[2]) * 1e6);
    const std::string text = orvel::bench::hostileFamilies().at(argv[1])(bytes);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
