// Arvale: start-up. Until the main window exists, the program runs the start-up checks on the
// working folder and reports what it found.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "common/version.h"
#include "store/upgrade.h"

int main(int argc, char** argv)
{
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s\n", arv::kProgramVersionLine);
            return 0;
        }
        folder = argv[i];
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path dir = folder.empty() ? fs::current_path(ec) : fs::path(folder);
    if (!fs::is_directory(dir, ec)) {
        std::fprintf(stderr, "La cartella di lavoro %s non esiste.\n", dir.c_str());
        return 1;
    }
    if (::access(dir.c_str(), W_OK) != 0) {
        std::fprintf(stderr, "La cartella di lavoro %s non è scrivibile.\n", dir.c_str());
        return 1;
    }
    std::printf("%s\nCartella di lavoro: %s\n", arv::kProgramVersionLine, fs::absolute(dir).c_str());
    std::string message;
    if (!arv::store::AGGIORNADATABASE(dir.string(), false, &message)) {
        std::fprintf(stderr, "%s\n", message.c_str());
        return 1;
    }
    std::printf("Archivi verificati.\n");
    return 0;
}
