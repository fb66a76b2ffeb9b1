// A check box that shows three states but never enters the partial one by a click.
#pragma once

#include <QCheckBox>

// The partial state is set only by code, to show that the selected references disagree; a click turns
// Checked into Unchecked and anything else into Checked.
class DisplayTristateCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit DisplayTristateCheckBox(const QString& text, QWidget* parent = nullptr);

protected:
    void nextCheckState() override;
};
