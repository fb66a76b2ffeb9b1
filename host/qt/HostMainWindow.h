// The host's main window in GUI mode: no viewports, the script listener as a text panel and a script
// line below it. It is the parent of the plug-ins' windows.
#pragma once

#include "host/core/Listener.h"

#include <QMainWindow>

#include <string>

class QLineEdit;
class QPlainTextEdit;

class HostMainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Installs itself as the host's main window, the listener's sink and the Qt dialogs and message boxes;
    // the destructor puts the headless ones back.
    explicit HostMainWindow(QWidget* parent = nullptr);
    ~HostMainWindow() override;

    // Runs a text as if typed in the script line: echoed to the panel, then its value or its error.
    // True when it ran without error.
    bool RunLine(const QString& text);
    // Runs a script file's text in the listener; errors name the file.
    bool RunScript(const std::string& utf8, const std::wstring& source);

    QLineEdit* ScriptLine() const { return line_; }
    QPlainTextEdit* ListenerPanel() const { return panel_; }

private:
    // Writes the listener's text at the end of the panel, and on to where it went before (standard
    // output by default), so a session's listener can be followed and logged from outside too.
    class PanelSink : public ListenerSink {
    public:
        explicit PanelSink(QPlainTextEdit* panel) : panel_(panel) {}
        void Write(const MCHAR* text) override;
        void Flush() override;
        void Clear() override;
        ListenerSink* next = nullptr;

    private:
        QPlainTextEdit* panel_;
    };

    void OnReturnPressed();

    QPlainTextEdit* panel_;
    QLineEdit* line_;
    PanelSink sink_;
};
