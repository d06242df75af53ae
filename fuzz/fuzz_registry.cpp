// The object registry driven by a sequence of operations decoded from the
// input, checked against a plain model after every step: which numbers and
// handles name live objects, what find_object and check_object answer, that
// re-using a number frees its old object once, and the order in which
// free_all_objects visits everything.
#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "core/memory.h"
#include "core/registry.h"
#include "fuzz_input.h"

namespace {

struct Model {
    // Numbered records that exist, and whether they hold an object.
    std::map<int64_t, bool> numbers;
    // Automatic handles, oldest first, and whether each holds an object.
    std::vector<std::pair<int64_t, bool>> automatic;
    int64_t capacity = 0;
};

ObjectRegistry* registry = nullptr;
Model* model = nullptr;
std::vector<int64_t> freed;  // ids the free callback was called with
int32_t object_size = 0;

int64_t next_object = 1;

void set_object(void* record, int64_t object) { std::memcpy(record, &object, sizeof object); }

// The module's free operation: drops the object and releases the record.
void free_callback(int64_t id) {
    freed.push_back(id);
    release_object(registry, id);
}

bool model_live(int64_t value) {
    if (value >= 0 && value < model->capacity) {
        auto it = model->numbers.find(value);
        return it != model->numbers.end() && it->second;
    }
    for (auto& a : model->automatic)
        if (a.first == value) return a.second;
    return false;
}

bool model_auto_member(int64_t value) {
    for (auto& a : model->automatic)
        if (a.first == value) return true;
    return false;
}

// Some value to ask about: a number near the table, a live or stale handle,
// or something else entirely.
int64_t pick_value(FuzzInput& in, const std::vector<int64_t>& stale) {
    switch (in.byte() % 6) {
        case 0: return in.range(-3, 80);
        case 1: return model->automatic.empty() ? 0 : model->automatic[in.range(0, model->automatic.size() - 1)].first;
        case 2: return stale.empty() ? -1 : stale[in.range(0, stale.size() - 1)];
        case 3: return static_cast<int64_t>(in.u64());
        case 4: return MAX_OBJECT_NUMBER + in.range(-2, 2);
        default: return in.range(0, model->capacity + 20);
    }
}

void check_all(const std::vector<int64_t>& stale) {
    FUZZ_CHECK(registry->capacity == model->capacity);
    std::vector<int64_t> values;
    for (int64_t n = -2; n < 100; ++n) values.push_back(n);
    for (int64_t n = model->capacity - 3; n < model->capacity + 3; ++n) values.push_back(n);
    for (auto& n : model->numbers) values.push_back(n.first);
    for (int64_t n : values) {
        bool live = model_live(n);
        FUZZ_CHECK((find_object(registry, n) != nullptr) == live);
        FUZZ_CHECK((check_object(registry, n) != 0) == live);
    }
    for (auto& a : model->automatic) {
        FUZZ_CHECK((find_object(registry, a.first) != nullptr) == a.second);
        // For handles only membership counts.
        FUZZ_CHECK(check_object(registry, a.first) == a.first);
    }
    for (int64_t s : stale)
        if (!model_auto_member(s) && !(s >= 0 && s < model->capacity)) {
            FUZZ_CHECK(check_object(registry, s) == 0);
            FUZZ_CHECK(find_object(registry, s) == nullptr);
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    object_size = static_cast<int32_t>(in.range(8, 80));
    int32_t grow = static_cast<int32_t>(in.range(1, 50));
    bool with_callback = in.byte() % 8 != 0;
    registry = new_registry(object_size, grow, with_callback ? free_callback : nullptr);
    FUZZ_CHECK(registry);
    Model m;
    model = &m;
    m.capacity = grow;
    std::vector<int64_t> stale;

    for (int step = 0; step < 400 && !in.empty(); ++step) {
        switch (in.byte() % 8) {
            case 0: {  // take a number
                int64_t id = in.range(-3, 3) == 0 ? in.range(-5, MAX_OBJECT_NUMBER + 5) : in.range(-2, 70);
                if (id == AUTO_ID) id = -2;  // automatic records are the next case
                bool fill = in.flag();
                freed.clear();
                void* record = take_object(registry, id);
                if (id < 0 || id > MAX_OBJECT_NUMBER) {
                    FUZZ_CHECK(record == nullptr);
                    FUZZ_CHECK(freed.empty());
                    break;
                }
                FUZZ_CHECK(record != nullptr);
                for (int32_t i = 0; i < object_size; ++i) FUZZ_CHECK(static_cast<uint8_t*>(record)[i] == 0);
                if (id >= m.capacity) m.capacity = id + grow;
                auto it = m.numbers.find(id);
                // A number that held a record is handed to the free operation
                // once (with none, the record is simply cleared).
                size_t expected_frees = it != m.numbers.end() && with_callback ? 1 : 0;
                FUZZ_CHECK(freed.size() == expected_frees);
                if (expected_frees) FUZZ_CHECK(freed[0] == id);
                FUZZ_CHECK(find_object(registry, id) == nullptr);
                if (fill) set_object(record, next_object++);
                m.numbers[id] = fill;
                break;
            }
            case 1: {  // take an automatic record
                bool fill = in.flag();
                void* record = take_object(registry, AUTO_ID);
                FUZZ_CHECK(record != nullptr);
                for (int32_t i = 0; i < object_size; ++i) FUZZ_CHECK(static_cast<uint8_t*>(record)[i] == 0);
                int64_t handle = record_handle(record);
                FUZZ_CHECK(!(handle >= 0 && handle < m.capacity));
                FUZZ_CHECK(!model_auto_member(handle));
                if (fill) set_object(record, next_object++);
                m.automatic.push_back({handle, fill});
                stale.erase(std::remove(stale.begin(), stale.end(), handle), stale.end());
                break;
            }
            case 2: {  // release something
                // Any value: one outside the table that names no automatic
                // record is compared, never followed.
                int64_t value = pick_value(in, stale);
                release_object(registry, value);
                if (value >= 0 && value < m.capacity) {
                    auto it = m.numbers.find(value);
                    if (it != m.numbers.end()) it->second = false;
                } else {
                    for (size_t i = 0; i < m.automatic.size(); ++i)
                        if (m.automatic[i].first == value) {
                            m.automatic.erase(m.automatic.begin() + i);
                            stale.push_back(value);
                            break;
                        }
                }
                break;
            }
            case 3: {  // put an object into an existing record or take it out
                int64_t value = pick_value(in, stale);
                bool fill = in.flag();
                void* record = nullptr;
                if (value >= 0 && value < m.capacity) {
                    auto it = m.numbers.find(value);
                    if (it == m.numbers.end()) break;
                    record = registry->table[value];
                    it->second = fill;
                } else {
                    auto it = std::find_if(m.automatic.begin(), m.automatic.end(),
                                           [&](auto& a) { return a.first == value; });
                    if (it == m.automatic.end()) break;
                    record = reinterpret_cast<void*>(static_cast<intptr_t>(value));
                    it->second = fill;
                }
                FUZZ_CHECK(record);
                set_object(record, fill ? next_object++ : 0);
                break;
            }
            case 4: {  // ask about any value
                int64_t value = pick_value(in, stale);
                bool live = model_live(value);
                FUZZ_CHECK((find_object(registry, value) != nullptr) == live);
                if (value >= 0 && value < m.capacity) FUZZ_CHECK((check_object(registry, value) != 0) == live);
                else FUZZ_CHECK((check_object(registry, value) != 0) == model_auto_member(value));
                break;
            }
            case 5: {  // free everything
                freed.clear();
                free_all_objects(registry);
                if (!with_callback) {
                    FUZZ_CHECK(freed.empty());
                    break;
                }
                std::vector<int64_t> expected;
                for (auto& n : m.numbers)
                    if (n.second) expected.push_back(n.first);
                for (auto& a : m.automatic) expected.push_back(a.first);
                FUZZ_CHECK(freed == expected);
                for (auto& n : m.numbers) n.second = false;
                for (auto& a : m.automatic) stale.push_back(a.first);
                m.automatic.clear();
                break;
            }
            default:
                check_all(stale);
                break;
        }
    }
    check_all(stale);

    // Tear down: every automatic node and numbered record back to the heap,
    // so that the leak checker sees only real leaks.
    for (auto& a : m.automatic) release_object(registry, a.first);
    for (int64_t n = 0; n < registry->capacity; ++n) runtime_free(registry->table[n]);
    runtime_free(registry->table);
    runtime_free(registry);
    registry = nullptr;
    model = nullptr;
    return 0;
}
