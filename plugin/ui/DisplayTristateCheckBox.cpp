// The click rule of the three-state display check box.
#include "plugin/ui/DisplayTristateCheckBox.h"

DisplayTristateCheckBox::DisplayTristateCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
    setTristate(true);
}

void DisplayTristateCheckBox::nextCheckState() {
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}
