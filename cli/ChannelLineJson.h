#pragma once

#include <string>

struct SessionChannelLine;

// The channel line as one JSON object, each column's title to its text, in the page's order;
// `plot --describe` and `report --describe` give it alike.
std::string ChannelLineJson(const SessionChannelLine& line);
