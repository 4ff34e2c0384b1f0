// arv-docx OUT.docx PACKAGE DOCUMENT.xml: builds a word-processor template from its readable
// WordprocessingML. PACKAGE holds the parts every template shares (content types, relationships,
// styles, page header); DOCUMENT.xml becomes the body (word/document.xml). The parts are zipped
// under their paths in the package, and the result is read back as a template before it is kept.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/docx.h"
#include "common/tempnames.h"
#include "records/zipfile.h"

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "uso: arv-docx FILE.docx CARTELLA-PACCHETTO DOCUMENTO.xml\n");
        return 2;
    }
    const fs::path out = fs::absolute(argv[1]);
    const fs::path package = fs::absolute(argv[2]);
    const fs::path document = fs::absolute(argv[3]);
    const fs::path stage = fs::temp_directory_path() / arv::GETNEWFNAME();
    const fs::path before = fs::current_path();
    int rc = 0;
    try {
        fs::create_directories(stage);
        fs::copy(package, stage, fs::copy_options::recursive);
        fs::create_directories(stage / "word");
        fs::copy_file(document, stage / "word" / "document.xml", fs::copy_options::overwrite_existing);
        // The content types first, as word processors expect; then every other part by its path.
        std::vector<std::string> parts = {"[Content_Types].xml"};
        std::vector<std::string> rest;
        for (const auto& e : fs::recursive_directory_iterator(stage))
            if (e.is_regular_file()) {
                const std::string rel = fs::relative(e.path(), stage).generic_string();
                if (rel != parts.front()) rest.push_back(rel);
            }
        std::sort(rest.begin(), rest.end());
        parts.insert(parts.end(), rest.begin(), rest.end());
        fs::create_directories(out.parent_path());
        fs::current_path(stage);
        const arv::records::ZipResult zipped = arv::records::ZIP(out.string(), parts, false, {}, true);
        fs::current_path(before);
        if (!zipped) throw std::runtime_error(zipped.message);
        arv::WordDocument::open(out.string()); // a template the program can read
    } catch (const std::exception& e) {
        std::fprintf(stderr, "arv-docx %s: %s\n", out.string().c_str(), e.what());
        std::error_code ec;
        fs::current_path(before, ec);
        fs::remove(out, ec);
        rc = 1;
    }
    std::error_code ec;
    fs::remove_all(stage, ec);
    return rc;
}
