#include "core/doc/InstrumentPrintContent.h"

#include "core/common/StringTable.h"
#include "core/doc/CVexloDoc.h"
#include "core/instrument/LiveColumns.h"
#include "core/session/CRecSession.h"
#include "core/session/ModelTable.h"

#include <algorithm>

InstrumentPageContent InstrumentPrintContent(const CVexloDoc& doc) {
    const CInstrumentMonitor& monitor = doc.Monitor();
    InstrumentPageContent content;
    content.title = ResourceString(TextId::kLiveData);
    const QStringList labels = monitor.PageLabels();
    const QStringList values = monitor.PageValues();
    for (qsizetype i = 0; i < labels.size(); ++i)
        content.status.emplace_back(labels[i], values.value(i));
    const int model = monitor.Status().ModelCode();
    const CRecSession* live = monitor.LiveData();
    const QString label = live ? live->ChannelName() : QString();
    const auto columns = LiveChannelColumns(model == kPulseModelCode, model == kEventModelCode);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        content.channelHeaders.push_back(ChanListHeaderText(columns[c].kind));
        content.channelTexts.push_back(
            LiveCellText(columns[c].kind, label, monitor.LiveStatistics()));
        if (columns[c].kind == ChanListHeaderType::Colour)
            content.colourColumn = static_cast<int>(c);
    }
    const int group = ModelTableRow(std::max(0, monitor.ModelIndex())).ColourGroup;
    content.traceColour = doc.Colours().TraceColourOfGroup(group);
    return content;
}
