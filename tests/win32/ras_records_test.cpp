#include <gtest/gtest.h>

#include "platform/win32/ras_records.h"

namespace mervolt {
namespace {

// RAS refuses a record whose size it does not know for the caller's architecture (error 632),
// so these sizes are facts about RAS, not about the compiler.
TEST(RasRecords, SizesAreTheFirstFormsOfThisArchitecture) {
    EXPECT_EQ(sizeof(RasConnFirstForm), sizeof(void*) == 8 ? 416u : 412u);
    EXPECT_EQ(offsetof(RasConnFirstForm, hrasconn), 4u);
    EXPECT_EQ(offsetof(RasConnFirstForm, szEntryName), sizeof(void*) == 8 ? 12u : 8u);
    EXPECT_EQ(ras_dial_params_first_size, 1052u);
}

// The first form is the head of every later one: records read back through it line up.
TEST(RasRecords, FirstFormIsTheHeadOfTheCurrentRecord) {
    EXPECT_EQ(offsetof(RasConnFirstForm, hrasconn), offsetof(RASCONNA, hrasconn));
    EXPECT_EQ(offsetof(RasConnFirstForm, szEntryName), offsetof(RASCONNA, szEntryName));
    EXPECT_EQ(offsetof(RasConnFirstForm, szDeviceType), offsetof(RASCONNA, szDeviceType));
    EXPECT_EQ(offsetof(RasConnFirstForm, szDeviceName), offsetof(RASCONNA, szDeviceName));
    EXPECT_LE(sizeof(RasConnFirstForm), offsetof(RASCONNA, dwSubEntry));
}

}  // namespace
}  // namespace mervolt
