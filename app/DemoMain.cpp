// The program with a simulated instrument plugged in, so that every command can be tried
// without the device.
#include "OleDate.h"
#include "ProgramEntry.h"
#include "SimulatedInstrument.h"
#include "USB.h"

#include <memory>

namespace {

TArrayOfMsrResult sampleResults()
{
    TArrayOfMsrResult results;
    for (int i = 0; i < 12; ++i) {
        TMsrResult r;
        r.MsrDate = OleDate::fromParts(2026, 11, 20 + i / 4, 9 + i % 4, 5 * i % 60, 0);
        r.MsrNumber = uint32_t(i + 1);
        r.ReinfKindID = i % 3 == 2 ? 1 : 0;
        r.ReinfDiameter = 12 + 2 * (i % 4);
        r.ForceEstimate = 1;
        r.Base = i % 2 ? 200 : 150;
        r.F = 950.0f + 137.5f * float(i);
        r.P = 6.5f + 0.75f * float(i);
        r.S = 0.11f + 0.013f * float(i);
        results.push_back(r);
    }
    return results;
}

} // namespace

int main(int argc, char* argv[])
{
    auto instrument = std::make_shared<SimulatedInstrument>();
    instrument->setResults(sampleResults());
    instrument->plug();
    USBSetDriverLayer(instrument);
    return RunProgram(argc, argv);
}
