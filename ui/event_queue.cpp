#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "core/memory.h"
#include "ui/events.h"

namespace {

constexpr int callback_buckets = 1024;
constexpr int key_size = 96;

struct CallbackNode {
    CallbackNode* next;
    EventCallback callback;
};

struct CallbackEntry {
    CallbackEntry* next;
    char key[key_size];
    CallbackNode* first;
};

}  // namespace

struct CallbackTable {
    CallbackEntry* buckets[callback_buckets];
};

namespace {

EventQueue* queue = nullptr;

void format_key(char* key, int32_t code, int64_t window, int64_t object, int64_t type) {
    std::snprintf(key, key_size, "%d:%" PRId64 ":%" PRId64 ":%" PRId64, code, window, object, type);
}

uint32_t hash_key(const char* key) {  // FNV-1a
    uint32_t h = 2166136261u;
    for (; *key; ++key) h = (h ^ static_cast<unsigned char>(*key)) * 16777619u;
    return h % callback_buckets;
}

CallbackEntry* find_entry(CallbackTable* table, const char* key) {
    for (CallbackEntry* e = table->buckets[hash_key(key)]; e; e = e->next)
        if (std::strcmp(e->key, key) == 0) return e;
    return nullptr;
}

EventRecord* take_record(EventQueue* q) {
    if (!q->free_records) {
        auto* block = static_cast<EventPoolBlock*>(runtime_alloc(sizeof(EventPoolBlock)));
        if (!block) return nullptr;
        block->next = q->blocks;
        q->blocks = block;
        for (EventRecord& r : block->records) {
            r.next = q->free_records;
            q->free_records = &r;
        }
    }
    EventRecord* r = q->free_records;
    q->free_records = r->next;
    r->next = nullptr;
    return r;
}

void return_record(EventQueue* q, EventRecord* r) {
    *r = EventRecord{};
    r->next = q->free_records;
    q->free_records = r;
}

void run_callbacks(EventQueue* q, int32_t code, int64_t object, int64_t window, int64_t type, void* data,
                   EventRelease release) {
    // The new event is current while its callbacks run.
    const int32_t saved_code = q->current_code;
    const int64_t saved_window = q->current_window, saved_object = q->current_object, saved_type = q->current_type;
    void* const saved_data = q->current_data;
    const EventRelease saved_release = q->current_release;
    q->current_code = code;
    q->current_window = window;
    q->current_object = object;
    q->current_type = type;
    q->current_data = data;
    q->current_release = release;

    const int64_t keys[5][3] = {
        {window, object, type}, {window, object, -1}, {window, -1, -1}, {-1, -1, -1}, {-1, object, type},
    };
    char key[key_size];
    for (const auto& k : keys) {
        format_key(key, code, k[0], k[1], k[2]);
        if (CallbackEntry* e = find_entry(q->callbacks, key))
            for (CallbackNode* n = e->first; n; n = n->next) n->callback();
    }

    q->current_code = saved_code;
    q->current_window = saved_window;
    q->current_object = saved_object;
    q->current_type = saved_type;
    q->current_data = saved_data;
    q->current_release = saved_release;
}

}  // namespace

void init_event_queue() {
    if (queue) return;
    queue = static_cast<EventQueue*>(make_state_block(sizeof(EventQueue), nullptr));
    if (!queue) return;
    queue->current_type = -1;
    queue->current_window = -1;
    queue->callbacks = static_cast<CallbackTable*>(runtime_alloc(sizeof(CallbackTable)));
}

void end_event_queue() {
    if (!queue) return;
    if (queue->current_data && queue->current_release) queue->current_release(queue->current_data);
    for (EventRecord* r = queue->head; r; r = r->next)
        if (r->data && r->release) r->release(r->data);
    if (CallbackTable* table = queue->callbacks) {
        for (CallbackEntry* bucket : table->buckets) {
            while (CallbackEntry* e = bucket) {
                bucket = e->next;
                while (CallbackNode* n = e->first) {
                    e->first = n->next;
                    runtime_free(n);
                }
                runtime_free(e);
            }
        }
        runtime_free(table);
    }
    while (EventPoolBlock* b = queue->blocks) {
        queue->blocks = b->next;
        runtime_free(b);
    }
    runtime_free(queue);
    queue = nullptr;
}

EventQueue* event_queue() {
    if (!queue) init_event_queue();
    return queue;
}

void post_event(int32_t code, int64_t object, int64_t window, int64_t type, void* data, EventRelease release) {
    EventQueue* q = event_queue();
    if (!q || q->suspend_count != 0) {
        // The queue owns a payload from here on, queued or not.
        if (data && release) release(data);
        return;
    }

    EventRecord* tail = q->tail;
    const bool merged = tail && code < EVENT_COALESCE_LIMIT && tail->code == code && tail->object == object &&
                        tail->window == window && tail->type == type;
    if (!merged) {
        EventRecord* r = take_record(q);
        if (!r) {
            if (data && release) release(data);
            return;
        }
        r->code = code;
        r->object = object;
        r->window = window;
        r->type = type;
        r->data = data;
        r->release = release;
        if (tail) tail->next = r;
        else q->head = r;
        q->tail = r;
    }
    if (q->callbacks) run_callbacks(q, code, object, window, type, data, release);
}

int32_t take_next_event() {
    EventQueue* q = event_queue();
    if (!q) return 0;
    q->current_code = 0;
    if (q->current_data && q->current_release) {
        // Cleared first, so that a release that posts or takes cannot free twice.
        void* data = q->current_data;
        EventRelease release = q->current_release;
        q->current_data = nullptr;
        q->current_release = nullptr;
        release(data);
    }
    q->current_type = -1;

    EventRecord* r = q->head;
    if (!r) return 0;
    q->head = r->next;
    if (!q->head) q->tail = nullptr;
    q->current_code = r->code;
    q->current_object = r->object;
    q->current_window = r->window;
    q->current_type = r->type;
    q->current_data = r->data;
    q->current_release = r->release;
    return_record(q, r);
    return q->current_code;
}

void suspend_events() {
    if (EventQueue* q = event_queue()) ++q->suspend_count;
}

void resume_events() {
    EventQueue* q = event_queue();
    if (q && q->suspend_count > 0) --q->suspend_count;
}

namespace {

// Unlinks every queued record the predicate accepts, releasing its payload,
// and keeps the order of the others.
template <typename Match>
void purge_matching(Match match) {
    EventQueue* q = event_queue();
    if (!q) return;
    EventRecord* previous = nullptr;
    for (EventRecord* r = q->head; r;) {
        EventRecord* next = r->next;
        if (match(*r)) {
            if (previous) previous->next = next;
            else q->head = next;
            if (q->tail == r) q->tail = previous;
            if (r->data && r->release) r->release(r->data);
            return_record(q, r);
        } else {
            previous = r;
        }
        r = next;
    }
}

}  // namespace

void purge_events(int32_t code, int64_t object, int64_t window, int64_t type) {
    purge_matching([=](const EventRecord& r) {
        return (code == -1 || r.code == code) && (object == -1 || r.object == object) &&
               (window == -1 || r.window == window) && (type == -1 || r.type == type);
    });
}

void purge_window_events(int64_t window) {
    // -1 stands for "no window" in an event, so it is matched literally here.
    purge_matching([=](const EventRecord& r) { return r.window == window; });
}

void purge_gadget_events(int64_t gadget) { purge_events(EVENT_GADGET, gadget, -1, -1); }

int64_t event_gadget() { return event_queue() ? queue->current_object : 0; }
int64_t event_menu() { return event_queue() ? queue->current_object : 0; }
int64_t event_type() { return event_queue() ? queue->current_type : -1; }
int64_t event_window() { return event_queue() ? queue->current_window : -1; }
void* event_data() { return event_queue() ? queue->current_data : nullptr; }
int32_t current_event_code() { return event_queue() ? queue->current_code : 0; }

void clear_current_event() {
    if (EventQueue* q = event_queue()) q->current_code = 0;
}

int64_t queued_event_count() {
    EventQueue* q = event_queue();
    int64_t n = 0;
    if (q)
        for (EventRecord* r = q->head; r; r = r->next) ++n;
    return n;
}

bool bind_event_callback(int32_t code, int64_t window, int64_t object, int64_t type, EventCallback callback) {
    EventQueue* q = event_queue();
    if (!q || !q->callbacks || !callback) return false;
    char key[key_size];
    format_key(key, code, window, object, type);
    CallbackEntry* e = find_entry(q->callbacks, key);
    if (!e) {
        e = static_cast<CallbackEntry*>(runtime_alloc(sizeof(CallbackEntry)));
        if (!e) return false;
        std::memcpy(e->key, key, sizeof key);
        CallbackEntry*& bucket = q->callbacks->buckets[hash_key(key)];
        e->next = bucket;
        bucket = e;
    }
    auto* n = static_cast<CallbackNode*>(runtime_alloc(sizeof(CallbackNode)));
    if (!n) return false;
    CallbackNode** end = &e->first;
    while (*end) end = &(*end)->next;
    *end = n;
    n->callback = callback;
    return true;
}
