// Reads the names a shared library exports: from the dynamic symbol table of an ELF library, or
// from the export table of a Windows DLL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

struct ExportedSymbol {
    std::string name;
    bool isFunction = false;
    bool isData = false;
    std::uint64_t size = 0;  // 0 where the format records none (a DLL's exports)
};

// Whether ExportedSymbol::size is known: ELF records each symbol's size, a DLL's export table
// does not.
#if defined(_WIN32)
inline constexpr bool kExportSizesKnown = false;
#else
inline constexpr bool kExportSizesKnown = true;
#endif

// The defined global and weak symbols of a 64-bit little-endian ELF shared library, or the
// named exports of a DLL (functions in executable sections, data in writable ones). Throws
// std::runtime_error when the file is not one.
std::vector<ExportedSymbol> ReadDynamicExports(const std::string& path);

}  // namespace test_support
