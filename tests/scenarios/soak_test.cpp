// A day of polling and a full read of 10,000 records against a meter that drops one reply in a
// hundred and garbles another, in virtual time.
#include <gtest/gtest.h>

#include <malloc.h>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime; GCC does not ship the header that declares it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

#include "fakes/rig.h"

namespace pm {
namespace {

using testing::Rig;
using Millis = VirtualScheduler::Millis;

std::size_t liveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

TEST(Soak, DayOfPollingThenTenThousandRecordsWithLossAndNoise) {
    Rig rig;
    sim::InstrumentSimulator& meter = rig.serial.attachInstrument(6, 77);
    meter.setReplyDelayMs(25);
    meter.setDropRate(0.01);
    meter.setGarbageRate(0.01);
    meter.setRecordCount(10'000);
    rig.startAndLink();
    ASSERT_TRUE(rig.s().linked);

    constexpr Millis kHour = 3'600'000;
    std::size_t heapAfterWarmUp = 0;
    for (int hour = 1; hour <= 24; ++hour) {
        rig.scheduler.advanceBy(kHour);
        // What the fakes log on the test's behalf is not the program's memory.
        rig.surface.calls.clear();
        rig.serial.clearWrites();
        ASSERT_TRUE(rig.s().linked) << "hour " << hour;
        ASSERT_LE(rig.s().rxBytes.size(), 39u);
        if (hour == 2) {
            heapAfterWarmUp = liveHeapBytes();
        }
    }
    const std::size_t heapAfterDay = liveHeapBytes();
    EXPECT_LT(heapAfterDay, heapAfterWarmUp + 256 * 1024)
        << "heap grew from " << heapAfterWarmUp << " to " << heapAfterDay << " bytes";
    EXPECT_GT(meter.requests().liveData, 86'000);
    EXPECT_EQ(rig.w().Label2.caption(), "通信成功");

    // The read: every record whose reply came in must be in its own block.
    rig.clickTab(2);
    rig.scheduler.advanceBy(1'500);
    const int eventsBefore = rig.serial.receiveEvents();
    rig.form.Command1_Click();
    rig.scheduler.advanceBy(60);     // the count reply is in; the first record request is not
    if (rig.s().recordCount == 0) {  // the count reply itself was lost or garbled: read again
        rig.scheduler.advanceBy(6'000);
        rig.form.Command1_Click();
        rig.scheduler.advanceBy(60);  // the count reply is in; the first record request is not
    }
    ASSERT_EQ(rig.s().recordCount, 10'000);
    const int countReplies = rig.serial.receiveEvents() - eventsBefore;
    while (rig.w().Readdat.enabled()) {
        rig.scheduler.runNext();
    }
    rig.scheduler.advanceBy(50);
    const int recordReplies = rig.serial.receiveEvents() - eventsBefore - countReplies;

    ASSERT_EQ(rig.grid.rows(), 90'000);
    // A record whose reply was dropped is asked again; one whose second reply was dropped too
    // stays an empty block under its own number, and is named.
    int filed = 0;
    std::vector<int> empty;
    for (int n = 1; n <= 10'000; ++n) {
        ASSERT_EQ(rig.grid.textMatrix(9 * (n - 1), 0), "NO." + std::to_string(n));
        if (rig.grid.textMatrix(9 * (n - 1) + 1, 1) != "") {
            ++filed;
        } else {
            empty.push_back(n);
        }
    }
    EXPECT_EQ(filed, recordReplies);
    EXPECT_EQ(empty, rig.s().read.missing);
    EXPECT_GT(filed, 9'900);
    EXPECT_TRUE(rig.w().Command1.enabled());
    EXPECT_TRUE(rig.w().comunication.enabled());
}

}  // namespace
}  // namespace pm
