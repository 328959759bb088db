// Reads the names a shared library exports from its dynamic symbol table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

struct ExportedSymbol {
    std::string name;
    bool isFunction = false;
    bool isData = false;
    std::uint64_t size = 0;
};

// The defined global and weak symbols of a 64-bit little-endian ELF shared library. Throws
// std::runtime_error when the file is not one.
std::vector<ExportedSymbol> ReadDynamicExports(const std::string& path);

}  // namespace test_support
