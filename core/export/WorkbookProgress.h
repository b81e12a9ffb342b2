#pragma once

#include <QtGlobal>

// What closing a workbook tells and asks whoever waits for it.
class WorkbookProgress {
public:
    virtual ~WorkbookProgress() = default;
    virtual void Report(qint64 position, qint64 total) = 0;
    virtual bool CancelRequested() = 0;
};
