// The fixture of every test that talks to the simulated camera: it hands
// each test a running camera without faults, counting from zero, and gives
// it back that way whatever the test did to it.
#ifndef PUKAVRO_TESTS_SIMULATED_CAMERA_H
#define PUKAVRO_TESTS_SIMULATED_CAMERA_H

#include <gtest/gtest.h>

#include "camera_sim.h"

class SimulatedCamera : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

#endif
