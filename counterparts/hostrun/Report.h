#pragma once
// What the case runner prints: a table for people, JSON for programs, and the envelope plot.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "counterparts/hostrun/Operations.h"

namespace hostrun {

struct ShownMessage {
  std::string caption, text;
};

// Every message box the product showed during the run (the sink of the executable).
std::vector<ShownMessage>& shownMessages();

void printTable(const CaseResults& r);
nlohmann::ordered_json resultsJson(const CaseResults& r, const std::vector<ShownMessage>& messages);
// The phase envelope as an SVG document (temperature in K across, pressure in kPa up on a log
// scale), titled with title and the feed: the traced curve (bubble branch, then dew branch), its
// critical point, cricondenbar and cricondentherm marked and labelled, and the grid's points.
std::string envelopeSvg(const Envelope& envelope, const std::string& title);

}  // namespace hostrun
