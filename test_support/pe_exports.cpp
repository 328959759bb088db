// The export table of a DLL, read from its image as the loader maps it.
#include <windows.h>

#include <filesystem>
#include <stdexcept>

#include "library_exports.h"

namespace test_support {
namespace {

// The section holding the relative address, or nullptr.
const IMAGE_SECTION_HEADER* SectionOf(const IMAGE_NT_HEADERS* headers, DWORD address) {
    // The section table follows the optional header (what IMAGE_FIRST_SECTION computes).
    const auto* section = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
        reinterpret_cast<const BYTE*>(&headers->OptionalHeader) +
        headers->FileHeader.SizeOfOptionalHeader);
    for (WORD i = 0; i < headers->FileHeader.NumberOfSections; ++i, ++section) {
        if (address >= section->VirtualAddress &&
            address - section->VirtualAddress < section->Misc.VirtualSize) {
            return section;
        }
    }
    return nullptr;
}

}  // namespace

std::vector<ExportedSymbol> ReadDynamicExports(const std::string& path) {
    const HMODULE module = LoadLibraryW(std::filesystem::path(path).wstring().c_str());
    if (module == nullptr) {
        throw std::runtime_error(path + " does not load as a DLL");
    }
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::vector<ExportedSymbol> exports;
    if (directory.Size != 0) {
        const auto* table =
            reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
        const auto* names = reinterpret_cast<const DWORD*>(base + table->AddressOfNames);
        const auto* ordinals = reinterpret_cast<const WORD*>(base + table->AddressOfNameOrdinals);
        const auto* addresses = reinterpret_cast<const DWORD*>(base + table->AddressOfFunctions);
        for (DWORD i = 0; i < table->NumberOfNames; ++i) {
            ExportedSymbol entry;
            entry.name = reinterpret_cast<const char*>(base + names[i]);
            const IMAGE_SECTION_HEADER* section = SectionOf(headers, addresses[ordinals[i]]);
            const DWORD flags = section != nullptr ? section->Characteristics : 0;
            entry.isFunction = (flags & IMAGE_SCN_MEM_EXECUTE) != 0;
            entry.isData = !entry.isFunction && (flags & IMAGE_SCN_MEM_WRITE) != 0;
            exports.push_back(std::move(entry));
        }
    }
    FreeLibrary(module);
    return exports;
}

}  // namespace test_support
