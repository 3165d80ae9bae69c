// The program with a simulated instrument plugged in, so that every command can be tried
// without the device.
#include "app/ProgramEntry.h"
#include "device/SimulatedInstrument.h"
#include "device/USB.h"
#include "device/demo/DemoInstrument.h"

int main(int argc, char* argv[])
{
    usbSetDriverLayer(makeDemoInstrument());
    return runProgram(argc, argv);
}
