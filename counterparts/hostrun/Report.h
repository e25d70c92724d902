#pragma once
// What the case runner prints: a table for people, JSON for programs, and the envelope plot.
#include <string>
#include <vector>

#include "Json.h"
#include "Operations.h"

namespace hostrun {

struct ShownMessage {
  std::string caption, text;
};

// Every message box the product showed during the run (the sink of the executable).
std::vector<ShownMessage>& shownMessages();

void printTable(const CaseResults& r);
json::Value resultsJson(const CaseResults& r, const std::vector<ShownMessage>& messages);
// The bubble and dew curves as an SVG document (temperature in K across, pressure in kPa up on
// a log scale), titled with title and the feed; points that did not converge leave gaps.
std::string envelopeSvg(const Envelope& envelope, const std::string& title);

}  // namespace hostrun
