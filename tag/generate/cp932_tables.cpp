// Writes the system converter's code page 932 tables, as ICU gives them on
// the build machine, into a source file that defines LoadSystemCp932 and
// LoadSystemCp932Codes over constant data: the program then needs neither
// ICU's libraries at start nor its converter to make the tables.
#include "cp932_system.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <vector>

namespace {

template <typename Unit>
void WriteArray(std::ostream& out, const char* type, const char* name,
                const std::vector<Unit>& values) {
    out << "constexpr " << type << " " << name << "[] = {";
    for (std::size_t k = 0; k < values.size(); ++k) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%04x,", static_cast<unsigned>(values[k]));
        out << (k % 12 == 0 ? "\n    " : " ") << hex;
    }
    out << "\n};\n\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: cp932_tables OUTPUT.cpp\n";
        return 2;
    }
    try {
        const std::vector<char16_t> characters = quorvane::tag::LoadSystemCp932();
        const std::vector<std::uint16_t> codes = quorvane::tag::LoadSystemCp932Codes();
        std::ofstream out(argv[1], std::ios::binary);
        out << "// Made by cp932_tables from ICU's windows-31j; not to be edited.\n"
               "#include \"cp932_system.h\"\n\n"
               "namespace quorvane::tag {\nnamespace {\n\n";
        WriteArray(out, "char16_t", "kCharacters", characters);
        WriteArray(out, "std::uint16_t", "kCodes", codes);
        out << "} // namespace\n\n"
               "std::vector<char16_t> LoadSystemCp932() {\n"
               "    return {std::begin(kCharacters), std::end(kCharacters)};\n}\n\n"
               "std::vector<std::uint16_t> LoadSystemCp932Codes() {\n"
               "    return {std::begin(kCodes), std::end(kCodes)};\n}\n\n"
               "} // namespace quorvane::tag\n";
        out.close();
        if (!out) {
            std::cerr << "cp932_tables: cannot write " << argv[1] << "\n";
            return 1;
        }
    } catch (const std::exception& error) {
        std::cerr << "cp932_tables: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
