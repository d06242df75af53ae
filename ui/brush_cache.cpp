#include "ui/brush_cache.h"

#include "core/memory.h"

int64_t take_brush(BrushCache* cache, int32_t color) {
    for (BrushEntry* e = cache->first; e; e = e->next) {
        if (e->color == color) {
            ++e->references;
            return e->brush;
        }
    }
    const int64_t brush = cache->make ? cache->make(color) : 0;
    if (!brush) return 0;
    auto* e = static_cast<BrushEntry*>(runtime_alloc(sizeof(BrushEntry)));
    if (!e) {
        if (cache->remove) cache->remove(brush);
        return 0;
    }
    e->color = color;
    e->brush = brush;
    e->references = 1;
    e->next = cache->first;
    cache->first = e;
    return brush;
}

void release_brush(BrushCache* cache, int64_t brush) {
    if (!brush) return;
    for (BrushEntry** link = &cache->first; *link; link = &(*link)->next) {
        BrushEntry* e = *link;
        if (e->brush != brush) continue;
        if (--e->references > 0) return;
        *link = e->next;
        if (cache->remove) cache->remove(e->brush);
        runtime_free(e);
        return;
    }
}

int32_t cached_brush_count(const BrushCache* cache) {
    int32_t n = 0;
    for (const BrushEntry* e = cache->first; e; e = e->next) ++n;
    return n;
}
