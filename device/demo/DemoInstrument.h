#pragma once

#include "common/TMsrResult.h"

#include <memory>

class SimulatedInstrument;

// The instrument of the demo program: about 120 results over several days, every
// reinforcement kind, diameters 8 to 40 mm, a few results stored twice, and a screen
// picture of a measurement.
TArrayOfMsrResult demoResults();
std::shared_ptr<SimulatedInstrument> makeDemoInstrument();
