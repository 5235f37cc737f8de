#pragma once
// The include rules of the source tree: a file's folder tells whether it may include Qt.
//  - only src/ui/, tests/ui/ and bench/ may include a Qt header;
//  - a file under src/ outside src/ui/ may not include a header of src/ui/.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct IncludeViolation {
    std::string file;  // relative to the root, with '/' separators
    int line = 0;
    std::string text;  // the offending line
};

// The violations in one file's text; relativePath decides which rules apply to it.
std::vector<IncludeViolation> CheckIncludes(std::string_view relativePath, std::string_view text);

// Every C++ source and header under root, skipping hidden folders and build trees.
std::vector<IncludeViolation> CheckTree(const std::filesystem::path& root);
