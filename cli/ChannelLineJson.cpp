#include "cli/ChannelLineJson.h"

#include "cli/JsonText.h"
#include "core/graph/SessionChannelLine.h"

std::string ChannelLineJson(const SessionChannelLine& line) {
    std::string json = "{";
    for (std::size_t i = 0; i < line.columns.size(); ++i)
        json += (i ? ", " : "") + JsonText::String(ChanListHeaderText(line.columns[i].kind)) +
                ": " + JsonText::String(line.texts[i]);
    return json + "}";
}
