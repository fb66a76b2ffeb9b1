// Message boxes, beeps and cursors through Qt.
#include "host/qt/QtHostServices.h"

#include "host/qt/QtHelpers.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>

using namespace MaxSDK::QtHelpers;

int QtHostServices::MessageBox(const WStr& text, const WStr& title, unsigned style) {
    QMessageBox box(GetQmaxMainWindow());
    box.setWindowTitle(ToQString(title));
    box.setText(ToQString(text));
    switch (style & 0xF0) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    const bool second = (style & MB_DEFBUTTON2) != 0;
    int answer = IDOK;
    switch (style & 0xF) {
    case MB_YESNO: {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(second ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        answer = box.exec() == QMessageBox::Yes ? IDYES : IDNO;
        break;
    }
    case MB_OKCANCEL: {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(second ? QMessageBox::Cancel : QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        answer = box.exec() == QMessageBox::Ok ? IDOK : IDCANCEL;
        break;
    }
    default:
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        break;
    }
    return answer;
}

void QtHostServices::Beep(unsigned) {
    QApplication::beep();
}

void QtHostServices::SetCursor(HostCursor c) {
    const bool wasWait = GetCursor() == HostCursor::Wait;
    HostServices::SetCursor(c);
    if (c == HostCursor::Wait && !wasWait) QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else if (c == HostCursor::Arrow && wasWait) QApplication::restoreOverrideCursor();
}
