#pragma once
// The voltmeter's texts, as the window shows them and tavik-cli prints them:
// "V1 = 3.766 В" rounded as the latest report's resolution gives the volts,
// "V1 = NA" where its mode gives the channel no reading. The unit is a blank
// and the Cyrillic capital Ve.
#include <string>

#include "acquisition.h"

namespace tavik::logger {

// Channel 1 or 2, with the front-end's decimal separator. Before the first
// report with samples it is the start-up text "V1 = 0.000 В", whatever the
// separator.
std::string VoltmeterText(const TAcquisition& acquisition, int channel, char separator);

}  // namespace tavik::logger
