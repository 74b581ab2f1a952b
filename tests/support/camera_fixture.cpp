#include "camera_fixture.h"

void SimulatedCamera::SetUp()
{
    ASSERT_EQ(0, StartCamera()) << "the simulated camera's service does not run";
    ASSERT_EQ(0, ClearKnobs());
    ASSERT_EQ(0, ResetCounters());
}

void SimulatedCamera::TearDown()
{
    EXPECT_EQ(0, ClearKnobs());
    EXPECT_EQ(0, StartCamera());
}
