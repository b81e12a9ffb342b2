#include "gui/graph/CDisplayDataView.h"

#include <QMimeData>

bool CDisplayDataView::PreparePrint(QWidget*) {
    return true;
}

std::unique_ptr<QMimeData> CDisplayDataView::CopyData() {
    auto data = std::make_unique<QMimeData>();
    data->setImageData(grab().toImage());
    const QString text = CopyText();
    if (!text.isEmpty())
        data->setText(text);
    return data;
}
