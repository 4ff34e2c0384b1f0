// Reference files the project carries (the municipality lists, the xBase files of another engine).
// A test that needs one fails, naming the path, when it is missing: it never skips.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace arv::test {

// The path of FILE_OR_FOLDER relative to the source tree; throws when it does not exist.
inline std::string projectFile(const std::string& relative)
{
    const std::filesystem::path p = std::filesystem::path(ARV_SOURCE_DIR) / relative;
    if (!std::filesystem::exists(p)) throw std::runtime_error("file di riferimento mancante: " + p.string());
    return p.string();
}

inline std::string comuniFolder() { return projectFile("data/comuni"); }
inline std::string xbaseFixture(const std::string& name) { return projectFile("tests/fixtures/xbase/" + name); }

} // namespace arv::test
