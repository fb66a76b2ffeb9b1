// The table's cell painter: no mouse-over or focus look, selected text in opaque white.
#pragma once

#include <QStyledItemDelegate>

class NoHoverDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
