#pragma once

#include <QTreeWidget>

// A list's rows as tab-separated lines for the clipboard, under its header line if asked.
inline QString ListText(const QTreeWidget& list, bool withHeader) {
    const auto line = [&list](const QTreeWidgetItem& item) {
        QString text;
        for (int c = 0; c < list.columnCount(); ++c)
            text += (c ? QStringLiteral("\t") : QString()) + item.text(c);
        return text + u'\n';
    };
    QString text = withHeader ? line(*list.headerItem()) : QString();
    for (int r = 0; r < list.topLevelItemCount(); ++r)
        text += line(*list.topLevelItem(r));
    return text;
}
