// The program with a simulated instrument plugged in, so that every command can be tried
// without the device.
#include "DemoInstrument.h"
#include "ProgramEntry.h"
#include "SimulatedInstrument.h"
#include "USB.h"

int main(int argc, char* argv[])
{
    USBSetDriverLayer(makeDemoInstrument());
    return RunProgram(argc, argv);
}
