#pragma once
// Texts of the message boxes the product asked for, oldest first.
#include <windows.h>

#include <string>
#include <vector>

std::vector<std::string> shownBoxes();
void clearBoxes();
