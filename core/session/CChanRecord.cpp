#include "core/session/CChanRecord.h"

#include "core/session/CChanData.h"

CChanRecord::CChanRecord(CChanRecordList* channel, const CChanData* data, int64_t startTime)
    : channel_(channel), data_(data), startTime_(startTime), samples_(data && data->Flags().event) {
}

void CChanRecord::Reserve(std::size_t samples) {
    const KindFlags& f = data_->Flags();
    samples_.Reserve(samples, f.thermocouple, f.pulse);
}

void CChanRecord::AppendSample(int32_t count, int32_t cjcCount) {
    const KindFlags& f = data_->Flags();
    samples_.AppendCount(count);
    if (f.pulse)
        samples_.AppendValue(data_->PulseValue(count));
    else if (f.thermocouple)
        samples_.AppendCjcCount(cjcCount);
}
