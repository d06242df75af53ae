// Object registry: maps the numbers the program chooses (0 or more) and the
// handles of automatic objects (AUTO_ID) to fixed-size, zero-filled records.
//
// A record's first field is, by convention, the 64-bit platform handle of the
// object it holds; a record whose first field is 0 holds no object.  Numbers
// and handles share one integer space: a value from 0 to capacity - 1 is a
// number, any other value is taken as a handle.
#pragma once

#include <cstdint>

constexpr int64_t AUTO_ID = -1;
// An argument value that leaves a property unchanged.
constexpr int64_t IGNORE_ARG = -65535;

// The largest number an object may have.  A number n makes the table
// n + grow_step slots long, so a bound keeps a stray number from asking for an
// absurd table; 65535 is also the largest control id a window message carries.
// Addresses below 64 KiB are never mapped on Windows, so a handle can never
// be mistaken for a number while the table stays this small.
constexpr int64_t MAX_OBJECT_NUMBER = 65535;

using FreeCallback = void (*)(int64_t id);

struct RegistryNode {
    RegistryNode* next;      // the next older node
    RegistryNode* previous;  // the next newer node
    // the record follows, aligned to 16 bytes
    alignas(16) unsigned char record[1];
};

struct ObjectRegistry {
    int32_t object_size;
    int32_t grow_step;
    int64_t capacity;
    void** table;
    RegistryNode* automatic;  // newest automatic node
    FreeCallback free_callback;
    int64_t cursor_slot;        // position of a running free_all_objects
    RegistryNode* cursor_node;
};

ObjectRegistry* new_registry(int32_t object_size, int32_t grow_step, FreeCallback free_callback);

// The record to fill in for a number or AUTO_ID.  Null for a negative value
// other than AUTO_ID, for a number above MAX_OBJECT_NUMBER and when memory
// runs out.  A number that holds a live object has it freed first.
void* take_object(ObjectRegistry* registry, int64_t id);

// The record of a live object, or null.
void* find_object(ObjectRegistry* registry, int64_t value);

// Non-zero when the value names a live object: the record's address for a
// number, the handle itself for a handle.
int64_t check_object(ObjectRegistry* registry, int64_t value);

void release_object(ObjectRegistry* registry, int64_t value);
void free_all_objects(ObjectRegistry* registry);

// The handle under which an automatic record is known.
inline int64_t record_handle(const void* record) { return reinterpret_cast<intptr_t>(record); }

// True when the value is in the number range of the registry's table.
inline bool is_number(const ObjectRegistry* registry, int64_t value) {
    return value >= 0 && value < registry->capacity;
}
