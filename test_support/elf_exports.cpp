#include "library_exports.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace test_support {
namespace {

template <typename T>
T ReadAt(const std::vector<char>& image, std::uint64_t offset) {
    if (offset > image.size() || image.size() - offset < sizeof(T)) {
        throw std::runtime_error("ELF structure beyond the end of the file");
    }
    T value;
    std::memcpy(&value, image.data() + offset, sizeof(T));
    return value;
}

}  // namespace

std::vector<ExportedSymbol> ReadDynamicExports(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> image{std::istreambuf_iterator<char>(in), {}};
    const auto header = ReadAt<Elf64_Ehdr>(image, 0);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_ident[EI_DATA] != ELFDATA2LSB) {
        throw std::runtime_error(path + " is not a 64-bit little-endian ELF file");
    }
    std::vector<ExportedSymbol> exports;
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        const auto section = ReadAt<Elf64_Shdr>(image, header.e_shoff + i * header.e_shentsize);
        if (section.sh_type != SHT_DYNSYM) {
            continue;
        }
        const auto strings =
            ReadAt<Elf64_Shdr>(image, header.e_shoff + section.sh_link * header.e_shentsize);
        for (std::uint64_t at = 0; at + sizeof(Elf64_Sym) <= section.sh_size;
             at += sizeof(Elf64_Sym)) {
            const auto symbol = ReadAt<Elf64_Sym>(image, section.sh_offset + at);
            const unsigned binding = ELF64_ST_BIND(symbol.st_info);
            if (symbol.st_shndx == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK)) {
                continue;
            }
            const std::uint64_t nameAt = strings.sh_offset + symbol.st_name;
            if (nameAt >= image.size()) {
                throw std::runtime_error("symbol name beyond the end of the file");
            }
            ExportedSymbol entry;
            entry.name = std::string(image.data() + nameAt,
                                     strnlen(image.data() + nameAt, image.size() - nameAt));
            entry.isFunction = ELF64_ST_TYPE(symbol.st_info) == STT_FUNC;
            entry.isData = ELF64_ST_TYPE(symbol.st_info) == STT_OBJECT;
            entry.size = symbol.st_size;
            exports.push_back(std::move(entry));
        }
    }
    return exports;
}

}  // namespace test_support
