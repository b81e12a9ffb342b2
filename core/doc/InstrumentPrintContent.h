#pragma once

#include "core/graph/PagePrintouts.h"

class CVexloDoc;

// The instrument page as the monitor shows it now, for its print-out.
InstrumentPageContent InstrumentPrintContent(const CVexloDoc& doc);
