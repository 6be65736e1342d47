// libFuzzer target: the waypoint file reader on arbitrary file contents, then the writer on the
// store read and the reader again on what was written.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "data/WaypointFile.h"
#include "engine/WaypointStore.h"
#include "geodesy/DatumTable.h"
#include "platform/Utf.h"

namespace {

// The reader's promises for every waypoint it stores.
void checkStored(const engine::WaypointStore& store) {
    if (store.count() > engine::WaypointStore::kSlots) std::abort();
    store.forEach([](int, const engine::Waypoint& w) {
        if (w.number < 1 || w.number > engine::WaypointStore::kSlots) std::abort();
        if (w.name[0] == 0 || w.name[engine::kWaypointNameCapacity - 1] != 0) std::abort();
        for (const char16_t* c = w.name; *c; ++c)
            if (*c == u',' || *c < 0x20) std::abort();
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    static auto first = std::make_unique<engine::WaypointStore>();
    static auto again = std::make_unique<engine::WaypointStore>();
    if (!data::readWaypointText(text, *first)) {
        if (first->count() != 0) std::abort();
        return 0;
    }
    checkStored(*first);

    // Every stored waypoint survives a save and a load, in the same order and with its number.
    const geodesy::DatumTable& table = geodesy::datumTable();
    const std::string written = data::renderWaypointFile(*first, table, "WGE");
    if (!data::readWaypointText(written, *again) || again->count() != first->count()) std::abort();
    for (int s = first->first(), t = again->first(); s != engine::WaypointStore::kNoSlot;
         s = first->next(s), t = again->next(t)) {
        const engine::Waypoint& a = first->at(s);
        const engine::Waypoint& b = again->at(t);
        if (a.number != b.number || a.time.wYear != b.time.wYear) std::abort();
        const std::string nameA = platform::toUtf8(a.name);
        const std::string nameB = platform::toUtf8(b.name);
        if (nameA.back() != ' ' && nameA != nameB) std::abort();
    }
    return 0;
}
