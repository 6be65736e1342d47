// The data path (reader feed, framing, decoding, refresh) never allocates. Global operator new is
// replaced with a counting version for the whole test program (the library's operator new[]
// allocates through it); it counts only while a test watches, so the other tests linked into this
// program are unaffected.

#include <atomic>
#include <cstdlib>
#include <new>

#include "NmeaFixture.h"

namespace {
std::atomic<bool> g_counting{false};
std::atomic<int> g_allocations{0};

void* countedAllocation(std::size_t size) {
    if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size) {
    return countedAllocation(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace enginetest {
namespace {

using NoAllocation = NmeaFixture;

TEST_F(NoAllocation, FeedingFramingDecodingAndRefreshing) {
    std::string second;
    for (const char* body :
         {kExampleGga, "GPGSA,A,3,04,07,122,,,,,,,,,,2.1,1.2,1.7",
          "GPGSV,3,1,09,04,45,120,40,07,30,200,35,09,10,020,,122,20,250,33",
          "GPGSV,3,2,09,12,45,120,40,14,30,200,35,17,10,020,,20,20,250,33",
          "GPGSV,3,3,09,24,05,300,22",
          "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W",
          "GPVTG,054.7,T,034.4,M,005.5,N,010.2,K", "GPGGA,bad,sentence",
          // A multi-constellation receiver's epoch.
          "GNGGA,123519,4807.038,N,01131.000,E,1,12,0.9,545.4,M,46.9,M,,",
          "GNGSA,A,3,04,07,,,,,,,,,,,2.1,1.2,1.7,1", "GNGSA,A,3,65,312,,,,,,,,,,,2.1,1.2,1.7",
          "GLGSV,1,1,02,65,50,211,41,70,47,307,38,1", "GAGSV,1,1,01,312,62,045,41,7",
          "GBGSV,1,1,01,208,07,033,29"})
        second += nmea(body);
    second += "$GPGGA," + std::string(300, '9') + "\r\n" + std::string(1500, '\xff');
    std::string bytes;
    for (int i = 0; i < 10; ++i)
        bytes += second;
    g_allocations = 0;
    g_counting = true;
    int16_t fixModes = 0;
    for (int i = 0; i < 20; ++i) {
        feed(bytes);
        ASSERT_TRUE(engine.refresh());
        fixModes += static_cast<int16_t>(engine.state.dop.fixMode);
        clock.advance(9000); // every record ages out on the way
        drain();
        drain();
        ASSERT_TRUE(engine.refresh());
    }
    g_counting = false;
    EXPECT_EQ(g_allocations.load(), 0);
    EXPECT_EQ(fixModes, 20 * 3); // the sentences were decoded while counting
}

} // namespace
} // namespace enginetest
