#include "handles.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace platform {
namespace {

struct HandleTable {
    std::mutex mutex;
    std::uintptr_t next = 0x10000;
    std::unordered_map<std::uintptr_t, std::shared_ptr<HandleObject>> objects;
};

// Never destroyed: audio threads may still look handles up while the process exits.
HandleTable& Table() {
    static HandleTable* table = new HandleTable;
    return *table;
}

}  // namespace

HANDLE AddHandle(std::shared_ptr<HandleObject> object) {
    HandleTable& table = Table();
    const std::lock_guard lock(table.mutex);
    const std::uintptr_t value = table.next;
    table.next += 0x10;
    table.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<HandleObject> FindHandle(HANDLE handle) {
    HandleTable& table = Table();
    const std::lock_guard lock(table.mutex);
    const auto found = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == table.objects.end() ? nullptr : found->second;
}

std::shared_ptr<HandleObject> RemoveHandle(HANDLE handle) {
    HandleTable& table = Table();
    const std::lock_guard lock(table.mutex);
    const auto found = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == table.objects.end()) {
        return nullptr;
    }
    std::shared_ptr<HandleObject> object = std::move(found->second);
    table.objects.erase(found);
    return object;
}

}  // namespace platform
