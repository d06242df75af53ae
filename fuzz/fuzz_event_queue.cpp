// The event queue driven by a sequence of operations decoded from the input
// (posting with and without payloads, taking, suspending, purging, binding
// callbacks, one of which posts from inside), checked against a plain model:
// the order of the queue, coalescing, the current event's fields, that the
// bound callbacks run as often as their keys say with the new event current,
// and that every payload the queue accepted is released exactly once.
#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <tuple>
#include <vector>

#include "fuzz_input.h"
#include "ui/events.h"

namespace {

struct Event {
    int32_t code;
    int64_t object, window, type;
    void* data;
};

using Key = std::tuple<int32_t, int64_t, int64_t, int64_t>;  // code, window, object, type

struct Model {
    std::deque<Event> queue;
    int32_t suspend = 0;
    int32_t code = 0;
    int64_t object = 0, window = -1, type = -1;
    void* data = nullptr;
    std::map<Key, std::vector<int>> bound;  // callback kinds per key
};

Model* model = nullptr;
std::set<void*> owned;     // payloads the queue holds (queued or current)
int counting_calls = 0;    // calls of the counting callback
int posting_calls = 0;
int expected_counting = 0, expected_posting = 0;
int depth = 0;
bool fields_seen_ok = true;
Event announced{};         // the event whose callbacks are running

constexpr int32_t NESTED_CODE = 70001;  // never coalesced

void release_payload(void* data) {
    FUZZ_CHECK(owned.count(data) == 1);
    owned.erase(data);
    delete static_cast<int*>(data);
}

void counting_callback() {
    ++counting_calls;
    if (current_event_code() != announced.code || event_gadget() != announced.object ||
        event_window() != announced.window || event_type() != announced.type || event_data() != announced.data)
        fields_seen_ok = false;
}

void posting_callback() {
    ++posting_calls;
    if (depth > 0) return;
    ++depth;
    Event saved = announced;
    announced = {NESTED_CODE, 7, 7, 7, nullptr};
    post_event(NESTED_CODE, 7, 7, 7);
    announced = saved;
    --depth;
}

// What posting does, in the model: true when the payload was queued.
bool model_apply_post(const Event& e, int level) {
    if (model->suspend != 0) return false;
    bool merged = !model->queue.empty() && e.code < EVENT_COALESCE_LIMIT && model->queue.back().code == e.code &&
                  model->queue.back().object == e.object && model->queue.back().window == e.window &&
                  model->queue.back().type == e.type;
    if (!merged) model->queue.push_back(e);
    const Key keys[5] = {{e.code, e.window, e.object, e.type},
                         {e.code, e.window, e.object, -1},
                         {e.code, e.window, -1, -1},
                         {e.code, -1, -1, -1},
                         {e.code, -1, e.object, e.type}};
    for (const Key& k : keys) {
        auto it = model->bound.find(k);
        if (it == model->bound.end()) continue;
        for (int kind : it->second) {
            if (kind == 0) ++expected_counting;
            else {
                ++expected_posting;
                if (level == 0) model_apply_post({NESTED_CODE, 7, 7, 7, nullptr}, 1);
            }
        }
    }
    return !merged;
}

int32_t pick_code(FuzzInput& in) {
    static const int32_t codes[] = {EVENT_WINDOW_MOVED, EVENT_WINDOW_SIZED, EVENT_REPAINT, EVENT_CLOSE_WINDOW,
                                    EVENT_GADGET, EVENT_MENU, EVENT_TIMER, 0x10000, 0x10001, NESTED_CODE};
    uint8_t b = in.byte();
    if (b < 240) return codes[b % 10];
    return static_cast<int32_t>(in.u32());
}

void check_queue() {
    FUZZ_CHECK(queued_event_count() == static_cast<int64_t>(model->queue.size()));
    FUZZ_CHECK(counting_calls == expected_counting);
    FUZZ_CHECK(posting_calls == expected_posting);
    FUZZ_CHECK(fields_seen_ok);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    Model m;
    model = &m;
    counting_calls = posting_calls = expected_counting = expected_posting = 0;
    fields_seen_ok = true;
    init_event_queue();

    for (int step = 0; step < 600 && !in.empty(); ++step) {
        switch (in.byte() % 10) {
            case 0:
            case 1:
            case 2: {  // post
                Event e{pick_code(in), in.range(-1, 3), in.range(-1, 2), in.range(-1, 2), nullptr};
                bool with_payload = in.byte() % 4 == 0;
                if (with_payload) {
                    e.data = new int(step);
                    owned.insert(e.data);
                }
                announced = e;
                const bool suspended = m.suspend != 0;
                bool queued = model_apply_post(e, 0);
                post_event(e.code, e.object, e.window, e.type, e.data, with_payload ? release_payload : nullptr);
                // A suspended queue releases the payload at once; one merged
                // into the tail's event stays the poster's.
                if (with_payload && suspended) FUZZ_CHECK(owned.count(e.data) == 0);
                else if (with_payload && !queued) release_payload(e.data);
                break;
            }
            case 3:
            case 4: {  // take
                int32_t code = take_next_event();
                // The previous current payload is released by the take.
                if (m.data) FUZZ_CHECK(owned.count(m.data) == 0);
                m.data = nullptr;
                m.code = 0;
                m.type = -1;
                if (!m.queue.empty()) {
                    Event e = m.queue.front();
                    m.queue.pop_front();
                    m.code = e.code;
                    m.object = e.object;
                    m.window = e.window;
                    m.type = e.type;
                    m.data = e.data;
                }
                FUZZ_CHECK(code == m.code);
                FUZZ_CHECK(current_event_code() == m.code);
                FUZZ_CHECK(event_gadget() == m.object);
                FUZZ_CHECK(event_menu() == m.object);
                FUZZ_CHECK(event_type() == m.type);
                FUZZ_CHECK(event_data() == m.data);
                FUZZ_CHECK(event_window() == m.window);
                break;
            }
            case 5:
                if (in.flag()) {
                    suspend_events();
                    ++m.suspend;
                } else {
                    resume_events();
                    if (m.suspend > 0) --m.suspend;
                }
                break;
            case 6: {  // purge
                int32_t code = -1;
                int64_t object = -1, window = -1, type = -1;
                uint8_t how = in.byte() % 3;
                if (how == 0) {
                    window = in.range(-1, 2);
                    purge_window_events(window);
                    // -1 is "no window" here, matched literally.
                    code = -1;
                } else if (how == 1) {
                    object = in.range(-1, 3);
                    purge_gadget_events(object);
                    code = EVENT_GADGET;
                } else {
                    if (in.flag()) code = pick_code(in);
                    if (in.flag()) object = in.range(0, 3);
                    if (in.flag()) window = in.range(0, 2);
                    if (in.flag()) type = in.range(0, 2);
                    purge_events(code, object, window, type);
                }
                auto match = [&](const Event& e) {
                    if (how == 0) return e.window == window;
                    if (how == 1) return e.code == EVENT_GADGET && (object == -1 || e.object == object);
                    return (code == -1 || e.code == code) && (object == -1 || e.object == object) &&
                           (window == -1 || e.window == window) && (type == -1 || e.type == type);
                };
                std::deque<Event> kept;
                for (const Event& e : m.queue)
                    if (!match(e)) kept.push_back(e);
                m.queue = kept;
                // Purged payloads are released at once.
                for (void* p : owned) {
                    bool still = p == m.data;
                    for (const Event& e : m.queue) still |= e.data == p;
                    FUZZ_CHECK(still);
                }
                break;
            }
            case 7: {  // bind a callback
                if (m.bound.size() > 20) break;
                Key k{pick_code(in), in.range(-1, 2), in.range(-1, 3), in.range(-1, 2)};
                int kind = in.byte() % 4 == 0 ? 1 : 0;
                FUZZ_CHECK(bind_event_callback(std::get<0>(k), std::get<1>(k), std::get<2>(k), std::get<3>(k),
                                               kind ? posting_callback : counting_callback));
                m.bound[k].push_back(kind);
                break;
            }
            case 8:
                clear_current_event();
                m.code = 0;
                FUZZ_CHECK(current_event_code() == 0);
                break;
            default:
                check_queue();
                break;
        }
        FUZZ_CHECK(queued_event_count() == static_cast<int64_t>(m.queue.size()));
    }
    check_queue();
    // What remains queued or current is released by the shutdown.
    end_event_queue();
    FUZZ_CHECK(owned.empty());
    model = nullptr;
    return 0;
}
