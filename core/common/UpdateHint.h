#pragma once

// What changed in the document, as its views are told.
enum class UpdateHintType : int {
    Refresh = 0, // anything about the sessions may have changed: redraw
    InstrumentStatus = 2,
    DisplaySettings = 3,
    SessionAdded = 5,
    Colours = 7,
    SessionRemoved = 8,
    ShowSession = 9,
};

class DocObserver {
public:
    virtual ~DocObserver() = default;
    virtual void OnDocumentUpdate(UpdateHintType hint) = 0;
};
