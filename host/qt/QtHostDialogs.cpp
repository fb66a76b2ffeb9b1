// Text dialogs and the file dialogs through Qt.
#include "host/qt/QtHostDialogs.h"

#include "host/qt/QtHelpers.h"
#include "host/scene/HostServices.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

using namespace MaxSDK::QtHelpers;

namespace {

// "3ds Max (*.max);;All files (*.*)": Qt's filter text for the dialog's labelled patterns.
QString FilterText(const std::vector<std::pair<WStr, WStr>>& filters) {
    QStringList parts;
    for (const auto& [label, pattern] : filters) {
        QString l = ToQString(label);
        parts.append(l.contains(QLatin1Char('(')) ? l : l + QStringLiteral(" (") + ToQString(pattern) + QLatin1Char(')'));
    }
    return parts.join(QStringLiteral(";;"));
}

} // namespace

int QtHostDialogs::ShowTextDialog(TextDialog& dialog) {
    QDialog box(GetQmaxMainWindow());
    box.setWindowTitle(ToQString(dialog.title));
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(new QLabel(ToQString(dialog.message), &box));
    auto* text = new QPlainTextEdit(ToQString(dialog.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), &box);
    text->setReadOnly(true);
    layout->addWidget(text);
    QCheckBox* check = nullptr;
    if (!dialog.checkLabel.isNull()) {
        check = new QCheckBox(ToQString(dialog.checkLabel), &box);
        layout->addWidget(check);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    layout->addWidget(buttons);
    box.exec();
    dialog.checked = check && check->isChecked();
    return IDOK;
}

int QtHostDialogs::ShowOpenFileDialog(OpenFileDialog& dialog) {
    dialog.result.clear();
    QWidget* parent = GetQmaxMainWindow();
    const QString title = ToQString(dialog.title), start = ToQString(dialog.initialDir);
    const QString filter = FilterText(dialog.filters);
    if (!dialog.multiSelect) {
        const QString file = QFileDialog::getOpenFileName(parent, title, start, filter);
        if (file.isEmpty()) return 0;
        dialog.result.push_back(ToWStr(file));
        return 1;
    }
    const QStringList files = QFileDialog::getOpenFileNames(parent, title, start, filter);
    if (files.isEmpty()) return 0;
    if (files.size() == 1) {
        dialog.result.push_back(ToWStr(files.front()));
        return 1;
    }
    // Several files: the folder, then each bare name (the dialog picks files of one folder).
    dialog.result.push_back(ToWStr(QFileInfo(files.front()).absolutePath()));
    for (const QString& f : files) dialog.result.push_back(ToWStr(QFileInfo(f).fileName()));
    return 1;
}

int QtHostDialogs::ShowSaveFileDialog(SaveFileDialog& dialog) {
    const QString file = QFileDialog::getSaveFileName(GetQmaxMainWindow(), ToQString(dialog.title),
                                                      ToQString(dialog.initialPath), FilterText(dialog.filters));
    dialog.result = ToWStr(file);
    return file.isEmpty() ? 0 : 1;
}
