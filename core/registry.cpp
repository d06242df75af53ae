#include "core/registry.h"

#include <cstddef>
#include <cstring>

#include "core/memory.h"

namespace {

constexpr size_t record_offset = offsetof(RegistryNode, record);

int64_t first_field(const void* record) {
    int64_t value;
    std::memcpy(&value, record, sizeof value);
    return value;
}

// The automatic node whose record has this handle, or null.  Values are only
// ever compared, never dereferenced, so stale and foreign values are safe.
RegistryNode* automatic_node(const ObjectRegistry* registry, int64_t handle) {
    for (RegistryNode* n = registry->automatic; n; n = n->next)
        if (record_handle(n->record) == handle) return n;
    return nullptr;
}

bool grow_table(ObjectRegistry* registry, int64_t slots) {
    size_t bytes;
    if (!multiply_size(static_cast<size_t>(slots), sizeof(void*), &bytes)) return false;
    void** table = static_cast<void**>(
        runtime_realloc(registry->table, static_cast<size_t>(registry->capacity) * sizeof(void*), bytes));
    if (!table) return false;
    registry->table = table;
    registry->capacity = slots;
    return true;
}

}  // namespace

ObjectRegistry* new_registry(int32_t object_size, int32_t grow_step, FreeCallback free_callback) {
    if (object_size <= 0 || grow_step <= 0) return nullptr;
    auto* registry = static_cast<ObjectRegistry*>(runtime_alloc(sizeof(ObjectRegistry)));
    if (!registry) return nullptr;
    registry->object_size = object_size;
    registry->grow_step = grow_step;
    registry->free_callback = free_callback;
    if (!grow_table(registry, grow_step)) {
        runtime_free(registry);
        return nullptr;
    }
    return registry;
}

void* take_object(ObjectRegistry* registry, int64_t id) {
    if (!registry) return nullptr;
    if (id == AUTO_ID) {
        auto* node = static_cast<RegistryNode*>(runtime_alloc(record_offset + registry->object_size));
        if (!node) return nullptr;
        node->next = registry->automatic;
        if (registry->automatic) registry->automatic->previous = node;
        registry->automatic = node;
        return node->record;
    }
    if (id < 0 || id > MAX_OBJECT_NUMBER) return nullptr;
    if (id >= registry->capacity && !grow_table(registry, id + registry->grow_step)) return nullptr;

    void* record = registry->table[id];
    if (record) {
        if (registry->free_callback) registry->free_callback(id);
        // The callback releases the record; make sure it comes back zeroed
        // even for an object kind whose free operation did not.
        record = registry->table[id];
        if (record) {
            std::memset(record, 0, registry->object_size);
            return record;
        }
    }
    record = runtime_alloc(registry->object_size);
    if (!record) return nullptr;
    registry->table[id] = record;
    return record;
}

void* find_object(ObjectRegistry* registry, int64_t value) {
    if (!registry) return nullptr;
    void* record;
    if (is_number(registry, value)) {
        record = registry->table[value];
    } else {
        RegistryNode* node = automatic_node(registry, value);
        record = node ? node->record : nullptr;
    }
    if (!record || first_field(record) == 0) return nullptr;
    return record;
}

int64_t check_object(ObjectRegistry* registry, int64_t value) {
    if (!registry) return 0;
    if (is_number(registry, value)) {
        void* record = registry->table[value];
        return record && first_field(record) != 0 ? record_handle(record) : 0;
    }
    return automatic_node(registry, value) ? value : 0;
}

void release_object(ObjectRegistry* registry, int64_t value) {
    if (!registry) return;
    if (is_number(registry, value)) {
        if (void* record = registry->table[value]) std::memset(record, 0, registry->object_size);
        return;
    }
    RegistryNode* node = automatic_node(registry, value);
    if (!node) return;
    if (registry->cursor_node == node) registry->cursor_node = node->previous;
    if (node->next) node->next->previous = node->previous;
    if (node->previous) node->previous->next = node->next;
    else registry->automatic = node->next;
    runtime_free(node);
}

void free_all_objects(ObjectRegistry* registry) {
    if (!registry || !registry->free_callback) return;
    RegistryNode* oldest = registry->automatic;
    while (oldest && oldest->next) oldest = oldest->next;
    registry->cursor_slot = 0;
    registry->cursor_node = oldest;

    // Numbered objects in ascending order, then automatic ones oldest first.
    // The cursor moves past an object before its callback runs, so the
    // callback may release that record.
    while (registry->cursor_slot < registry->capacity) {
        int64_t slot = registry->cursor_slot++;
        void* record = registry->table[slot];
        if (record && first_field(record) != 0) registry->free_callback(slot);
    }
    while (RegistryNode* node = registry->cursor_node) {
        registry->cursor_node = node->previous;
        registry->free_callback(record_handle(node->record));
    }
}
