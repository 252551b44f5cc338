// Writes a generated list file: make_list COUNT FILE
#include <fstream>
#include <string>

#include "ListGenerator.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    std::ofstream out(argv[2], std::ios::binary);
    for (const auto& line : orvane::bench::GenerateList(std::stoul(argv[1]))) out << line << "\r\n";
    return out ? 0 : 1;
}
