// Writes the seeds of the fuzz targets: fuzz_seeds CORPUS [TARGET...] puts each target's seeds
// into CORPUS/TARGET/ (files of the same name are replaced, others are left alone).
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "fuzz/seeds.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "uso: %s CARTELLA [dbf|memo|restore|ini|docx|mask ...]\n", argv[0]);
        return 2;
    }
    const std::set<std::string> only(argv + 2, argv + argc);
    int written = 0;
    for (const auto& [target, seeds] : arv::fuzz::allSeeds()) {
        if (!only.empty() && !only.count(target)) continue;
        const std::filesystem::path dir = std::filesystem::path(argv[1]) / target;
        std::filesystem::create_directories(dir);
        for (const auto& [name, bytes] : seeds) {
            arv::fuzz::writeBytes((dir / name).string(), bytes);
            ++written;
        }
    }
    std::printf("%d seeds written under %s\n", written, argv[1]);
    return 0;
}
