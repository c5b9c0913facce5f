// Whole files as bytes, and the lines of a text.
#pragma once

#include <string>
#include <vector>

namespace test_support {

// The file's bytes; empty when it cannot be read.
std::string read_file(const std::string& path);
// Replaces the file with `bytes`.
void write_file(const std::string& path, const std::string& bytes);

// The lines of a text without their line feeds; a carriage return stays part of its line.
std::vector<std::string> lines_of(const std::string& text);
bool has_line(const std::string& text, const std::string& line);
bool has_line_starting(const std::string& text, const std::string& start);

}  // namespace test_support
