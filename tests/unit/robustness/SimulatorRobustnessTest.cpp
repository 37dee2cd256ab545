// The simulator's command parser, engine and scenario text.
#include <gtest/gtest.h>

#include "../../../fuzz/drivers/Scenario.h"
#include "../../../fuzz/drivers/SimCommands.h"
#include "Robustness.h"

namespace bx::test {
namespace {

TEST(SimulatorRobustness, CommandsAtAnyPace) { RunInputs("sim_commands", 1500, 31, fuzz::DriveSimCommands); }

TEST(SimulatorRobustness, AnyScenarioTextLoadsOrSaysWhichLine) { RunInputs("scenario", 2000, 32, fuzz::DriveScenario); }

}  // namespace
}  // namespace bx::test
