#include "core/instrument/EraseProgressModel.h"

#include "core/app/UserInterface.h"
#include "core/common/StringTable.h"
#include "core/instrument/InstrumentPort.h"

#include <algorithm>

QString EraseProgressModel::Title() {
    return ResourceString(TextId::kErasingMemoryTitle);
}

bool EraseProgressModel::Update(const InstrumentState& state) {
    free_ = std::clamp<qint64>(total_ - state.status.MemoryUsed(), 0, std::max<qint64>(total_, 0));
    return state.eraseReported;
}

QString EraseProgressModel::Text() const {
    // A logger that reports no memory size shows no progress rather than dividing by it.
    const qint64 percent = total_ > 0 ? free_ * 100 / total_ : 0;
    return FormatResource(TextId::kPercentDone, {QString::number(percent)});
}

void EraseProgressModel::Dismiss(UserInterface& ui) {
    ui.ShowMessage(ResourceString(TextId::kEraseContinues), MessageIconType::Information);
}
