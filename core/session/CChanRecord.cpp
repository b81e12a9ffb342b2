#include "core/session/CChanRecord.h"

#include "core/session/CChanData.h"

CChanRecord::CChanRecord(CChanRecordList* channel, const CChanData* data, int64_t startTime)
    : channel_(channel), data_(data), startTime_(startTime), pulse_(data && data->Flags().pulse),
      thermocouple_(data && data->Flags().thermocouple), samples_(data && data->Flags().event) {}

void CChanRecord::Reserve(std::size_t samples) {
    samples_.Reserve(samples, thermocouple_, pulse_);
}

void CChanRecord::AppendPulse(int32_t count) {
    samples_.AppendCount(count);
    samples_.AppendValue(data_->PulseValue(count));
}
