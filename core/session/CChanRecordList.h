#pragma once

#include "core/session/CChanRecord.h"
#include "core/session/ModelTable.h"

#include <QString>
#include <memory>
#include <vector>

// One channel: its model row and its recording runs (a session file yields one run).
class CChanRecordList {
public:
    const ModelEntry& Entry() const { return entry_; }
    void SetEntry(const ModelEntry& entry) { entry_ = entry; }
    int TcIndex() const { return entry_.TcIndex; }
    int SubKey() const { return entry_.SubKey; }
    const QString& Label() const { return label_; }
    void SetLabel(const QString& label) { label_ = label; }
    const QString& Name() const { return name_; }
    void SetName(const QString& name) { name_ = name; }

    int RecordCount() const { return static_cast<int>(records_.size()); }
    CChanRecord& Record(int i) { return *records_[static_cast<std::size_t>(i)]; }
    const CChanRecord& Record(int i) const { return *records_[static_cast<std::size_t>(i)]; }
    CChanRecord& AddRecord(const CChanData* data, int64_t startTime) {
        records_.push_back(std::make_unique<CChanRecord>(this, data, startTime));
        return *records_.back();
    }

private:
    ModelEntry entry_;
    QString label_;
    QString name_;
    std::vector<std::unique_ptr<CChanRecord>> records_;
};
