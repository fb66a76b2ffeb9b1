// Paints a cell without the hover and focus states; a selected cell's text is white in every colour group.
#include "plugin/ui/NoHoverDelegate.h"

void NoHoverDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem opt(option);
    opt.state &= ~(QStyle::State_MouseOver | QStyle::State_HasFocus);
    if (opt.state & QStyle::State_Selected) {
        const QColor white(255, 255, 255, 255);
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            opt.palette.setColor(group, QPalette::Text, white);
            opt.palette.setColor(group, QPalette::HighlightedText, white);
        }
        opt.palette.setColor(QPalette::Disabled, QPalette::HighlightedText, white);
    }
    QStyledItemDelegate::paint(painter, opt, index);
}
