// The host's main window: listener panel, script line, and the GUI's services while it lives.
#include "host/qt/HostMainWindow.h"

#include "host/application/HostInterface.h"
#include "host/core/MaxException.h"
#include "host/qt/QtHelpers.h"
#include "host/qt/QtHostDialogs.h"
#include "host/qt/QtHostServices.h"
#include "host/script/ScriptError.h"
#include "host/script/ScriptRuntime.h"

#include <QFontDatabase>
#include <QTextCursor>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cstdio>

using namespace MaxSDK::QtHelpers;

namespace {

QtHostDialogs& GuiDialogs() {
    static QtHostDialogs dialogs;
    return dialogs;
}

} // namespace

void HostMainWindow::PanelSink::Write(const MCHAR* text) {
    QTextCursor end(panel_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(QString::fromWCharArray(text));
    panel_->verticalScrollBar()->setValue(panel_->verticalScrollBar()->maximum());
    if (next) {
        next->Write(text);
    } else {
        std::fputs(WStr(text).ToUTF8().c_str(), stdout);
    }
}

void HostMainWindow::PanelSink::Flush() {
    if (next) next->Flush();
    else std::fflush(stdout);
}

// The panel empties; what went on to standard output or another sink stays there.
void HostMainWindow::PanelSink::Clear() {
    panel_->clear();
    if (next) next->Clear();
}

HostMainWindow::HostMainWindow(QWidget* parent)
    : QMainWindow(parent), panel_(new QPlainTextEdit), line_(new QLineEdit), sink_(panel_) {
    setWindowTitle(QStringLiteral("Ostrivans Host"));
    setObjectName(QStringLiteral("HostMainWindow"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    panel_->setObjectName(QStringLiteral("Listener"));
    panel_->setReadOnly(true);
    panel_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    line_->setObjectName(QStringLiteral("ScriptLine"));
    line_->setPlaceholderText(QStringLiteral("Type a script and press Enter"));
    line_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(panel_, 1);
    layout->addWidget(line_);
    setCentralWidget(central);
    resize(800, 500);
    connect(line_, &QLineEdit::returnPressed, this, &HostMainWindow::OnReturnPressed);

    sink_.next = SetListenerSink(&sink_);
    GetHostInterface()->SetServices(std::make_unique<QtHostServices>());
    SetHostDialogs(&GuiDialogs());
    SetQmaxMainWindow(this);
}

HostMainWindow::~HostMainWindow() {
    mflush();
    SetQmaxMainWindow(nullptr);
    SetHostDialogs(nullptr);
    GetHostInterface()->SetServices(std::make_unique<HostServices>());
    SetListenerSink(sink_.next);
}

bool HostMainWindow::RunLine(const QString& text) {
    mputs((text.toStdWString() + L"\n").c_str());
    bool ok = false;
    try {
        Value v = ScriptRuntime::Get().Run(text.toStdWString(), L"listener");
        mputs((v.PrintForm() + L"\n").c_str());
        ok = true;
    } catch (const ScriptError& e) {
        mputs((L"-- " + e.Message().str() + L"\n").c_str());
    } catch (const MAXException& e) {
        mputs((L"-- " + e.Message().str() + L"\n").c_str());
    }
    mflush();
    return ok;
}

bool HostMainWindow::RunScript(const std::string& utf8, const std::wstring& source) {
    try {
        ScriptRuntime::Get().Run(WStr::FromUTF8(utf8).str(), source);
        mflush();
        return true;
    } catch (const ScriptError& e) {
        mputs((L"-- " + e.Message().str() + L"\n").c_str());
    } catch (const MAXException& e) {
        mputs((L"-- " + source + L": " + e.Message().str() + L"\n").c_str());
    }
    mflush();
    return false;
}

void HostMainWindow::OnReturnPressed() {
    const QString text = line_->text();
    if (text.trimmed().isEmpty()) return;
    line_->clear();
    RunLine(text);
}
