// The host's dark theme: the Fusion style with a dark palette.
#include "host/qt/HostTheme.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

void ApplyHostTheme() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette p;
    const QColor window(68, 68, 68), base(43, 43, 43), text(220, 220, 220), disabled(128, 128, 128);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(84, 84, 84));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, QColor(86, 128, 194));
    p.setColor(QPalette::HighlightedText, Qt::white);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    QApplication::setPalette(p);
}
