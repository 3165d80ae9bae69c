#pragma once

#include <QString>

// What a command tells the user when USBDeviceConnected() has answered false: that USB
// cannot be used at all, that the instrument is plugged in but cannot be opened and why,
// or that it is not plugged in.
QString noDeviceMessage();

// The part of noDeviceMessage() about an instrument that is plugged in but cannot be
// opened; empty when there is none.
QString deviceNotOpenedMessage();
