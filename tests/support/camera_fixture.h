// The fixture of every test that talks to the simulated camera: it hands
// each test a running camera without faults, counting from zero, and gives
// it back that way whatever the test did to it.
#ifndef PUKAVRO_TESTS_CAMERA_FIXTURE_H
#define PUKAVRO_TESTS_CAMERA_FIXTURE_H

#include <gtest/gtest.h>

#include "sim_controls.h"

class SimulatedCamera : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

#endif
