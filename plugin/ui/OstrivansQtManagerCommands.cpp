// The manager window's commands: the Reference menu and tool buttons, the Tools, Options and Help menus,
// and the table's context menu, each on the selected references.
#include "plugin/ui/OstrivansQtManager.h"

#include "host/core/Hold.h"
#include "host/qt/QtHelpers.h"
#include "host/scene/HostDialogs.h"
#include "host/scene/HostServices.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/script/ScriptRuntime.h"
#include "plugin/frame/OperationNotAvailable.h"
#include "plugin/frame/StringTable.h"
#include "plugin/helper/HelperNotifications.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/helper/OstrivansHelperClassDesc.h"
#include "plugin/settings/OstrivansSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>

using namespace MaxSDK::QtHelpers;

namespace {

// The product's documentation, opened by Help.
const char* const kHelpUrl = "https://ostrivans.github.io/docs/manager.html";

bool RunScript(const MSTR& text) {
    return ExecuteMAXScriptScript(text.data(), MAXScript::ScriptSource::NonEmbedded, FALSE);
}

std::vector<AnimHandle> HandlesOf(const std::vector<OstrivansHelper*>& helpers) {
    std::vector<AnimHandle> handles;
    for (OstrivansHelper* h : helpers) handles.push_back(Animatable::GetHandleByAnim(h));
    return handles;
}

// Runs op on each helper still there when its turn comes: an operation may delete another reference.
template <class F> void ForEachLive(const std::vector<AnimHandle>& handles, F&& op) {
    for (AnimHandle handle : handles)
        if (auto* h = dynamic_cast<OstrivansHelper*>(Animatable::GetAnimByHandle(handle)); h && h->GetHelperNode())
            op(h);
}

// A path as the platform writes it, in double quotes inside a verbatim script string.
MSTR FileName(OstrivansHelper* h) {
    const MCHAR* s = h->GetParamBlock()->GetStr(pb_filename);
    return s ? MSTR(s) : MSTR();
}

} // namespace

bool OstrivansQtManager::Confirm(const MCHAR* text, const MCHAR* title, bool warning) {
    const unsigned style = MB_YESNO | MB_DEFBUTTON2 | (warning ? MB_ICONEXCLAMATION : MB_ICONQUESTION);
    return GetCOREInterface()->Services().MessageBox(text, title, style) == IDYES;
}

OstrivansHelper* OstrivansQtManager::SingleHelperWithFile() {
    const std::vector<OstrivansHelper*> helpers = SelectedHelpers();
    if (helpers.size() != 1 || FileName(helpers.front()).isNull()) return nullptr;
    return helpers.front();
}

// ---- the Reference menu and the tool buttons

void OstrivansQtManager::OnAddPressed() {
    RunScript(L"Ostrivans.AddOstrivanDialog()");
    PopulateReferences();
}

void OstrivansQtManager::OnReloadPressed() {
    ForEachLive(HandlesOf(SelectedHelpers()), [](OstrivansHelper* h) { h->Reload(); });
    PopulateReferences();
}

void OstrivansQtManager::OnRemovePressed() {
    const std::vector<OstrivansHelper*> helpers = SelectedHelpers();
    if (helpers.empty()) {
        PopulateReferences();
        return;
    }
    if (!Confirm(L"Are you sure you want to remove the selected references?, this operation can't be undone.",
                 L"Remove Reference"))
        return;
    INodeTab nodes;
    for (OstrivansHelper* h : helpers)
        if (INode* n = h->GetHelperNode()) nodes.Append(n);
    GetCOREInterface()->DeleteNodes(nodes, true, true);
    PopulateReferences();
}

void OstrivansQtManager::OnResetPressed() {
    const std::vector<OstrivansHelper*> helpers = SelectedHelpers();
    if (helpers.empty()) return;
    if (!Confirm(L"Are you sure you want to reset the selected references?, this operation can't be undone.",
                 L"Reset Reference"))
        return;
    ForEachLive(HandlesOf(helpers), [](OstrivansHelper* h) { h->Reset(); });
    PopulateReferences();
}

void OstrivansQtManager::OnDuplicatePressed() {
    // The row positions are the script interface's reference indices only while every row's node is there.
    const std::vector<INode*> rows = RowNodes();
    if (std::find(rows.begin(), rows.end(), nullptr) != rows.end()) {
        PopulateReferences();
        return;
    }
    const std::vector<int> selected = SelectedRows();
    if (selected.empty()) return;
    MSTR text = L"Ostrivans.DuplicateOstrivans #(";
    for (size_t i = 0; i < selected.size(); ++i)
        text += MSTR(i ? L", " : L"") + MSTR(std::to_wstring(selected[i] + 1));
    RunScript(text + L")");
    PopulateReferences();
}

void OstrivansQtManager::OnMergePressed() {
    const std::vector<OstrivansHelper*> helpers = SelectedHelpers();
    if (helpers.empty()) return;
    const bool proxy = std::any_of(helpers.begin(), helpers.end(), [](OstrivansHelper* h) {
        return h->GetParamBlock()->GetInt(pb_use_proxy_in_viewport) != 0;
    });
    const bool yes =
        proxy ? Confirm(L"One or more selected references are used as Proxy in the viewport.\n\nThe Proxy will be "
                        L"merged for those references, this action can't be undone.\n\nDo you want to continue?",
                        L"Merge References and Proxies", true)
              : Confirm(L"Are you sure you want to merge the selected references?, this operation can't be undone.",
                        L"Merge Reference");
    if (!yes) return;
    ForEachLive(HandlesOf(helpers), [](OstrivansHelper* h) { h->Merge(); });
    PopulateReferences();
}

// ---- Tools, Options and Help

void OstrivansQtManager::OnAdvancedReset() {
    ReportOperationNotAvailable(L"The Advanced Reset dialog");
}

void OstrivansQtManager::OnToggleShowDupNamesWarnings(bool checked) {
    SetShowDuplicatedNamesWarningSetting(checked);
}

void OstrivansQtManager::OnHelp() {
    OpenUrl(QUrl(QString::fromLatin1(kHelpUrl)));
}

void OstrivansQtManager::OnAbout() {
    RunScript(L"Ostrivans.About()");
}

// ---- the context menu

QMenu* OstrivansQtManager::BuildContextMenu() {
    const int count = static_cast<int>(SelectedRows().size());
    auto* menu = new QMenu(this);
    QMenu* file = menu->addMenu(QStringLiteral("&File"));
    const auto add = [&](QMenu* m, const char* text, bool enabled, void (OstrivansQtManager::*slot)()) {
        QAction* a = m->addAction(QString::fromLatin1(text));
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add(file, "&Open", count == 1, &OstrivansQtManager::OnContextMenuOpen);
    add(file, "Open in &New 3ds Max Session", count == 1, &OstrivansQtManager::OnContextMenuOpenNewSession);
    add(file, "&Reveal in Explorer", count == 1, &OstrivansQtManager::OnContextMenuRevealInExplorer);
    file->addSeparator();
    add(file, "&Overwrite", count >= 1, &OstrivansQtManager::OnContextMenuOverwrite);
    add(file, "&Save As...", count == 1, &OstrivansQtManager::OnContextMenuSaveAs);
    add(menu, "&Select Nodes", count >= 1, &OstrivansQtManager::OnContextMenuSelectNodes);
    add(menu, "Show &Duplicated Names", count == 1, &OstrivansQtManager::OnContextMenuShowDupNames);
    return menu;
}

void OstrivansQtManager::OnContextMenuRequested(const QPoint& pos) {
    QMenu* menu = BuildContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(table_->viewport()->mapToGlobal(pos));
}

void OstrivansQtManager::OnContextMenuOpen() {
    if (OstrivansHelper* h = SingleHelperWithFile())
        RunScript(MSTR(L"if (checkForSave()) do loadMaxFile @\"") + FileName(h) + L"\" quiet:false");
}

void OstrivansQtManager::OnContextMenuOpenNewSession() {
    OstrivansHelper* h = SingleHelperWithFile();
    if (!h) return;
    // The host program of this platform opens a scene file through a script text in a new GUI session.
    const QString program = QDir(ToQString(GetCOREInterface()->GetDir(APP_MAXROOT_DIR))).filePath(QStringLiteral("ostrivans-host"));
    StartDetached(program, {QStringLiteral("--gui"), QStringLiteral("-e"),
                            QStringLiteral("loadMaxFile @\"%1\" quiet:true").arg(ToQString(FileName(h)))});
}

void OstrivansQtManager::OnContextMenuRevealInExplorer() {
    // The desktop's file manager shows the file's folder (this platform's shell has no "select" verb).
    if (OstrivansHelper* h = SingleHelperWithFile())
        OpenUrl(QUrl::fromLocalFile(QFileInfo(ToQString(FileName(h))).absolutePath()));
}

void OstrivansQtManager::OnContextMenuOverwrite() {
    const std::vector<OstrivansHelper*> helpers = SelectedHelpers();
    if (helpers.empty()) return;
    if (!Confirm(L"Are you sure you want to overwrite the selected references?, this operation can't be undone.",
                 L"Overwrite Reference"))
        return;
    ForEachLive(HandlesOf(helpers), [](OstrivansHelper* h) { h->Overwrite(); });
}

void OstrivansQtManager::OnContextMenuSaveAs() {
    const std::vector<OstrivansHelper*> helpers = SelectedHelpers();
    if (helpers.size() != 1) return;
    OstrivansHelper* h = helpers.front();
    SaveFileDialog dialog;
    dialog.title = MSTR(L"Save Reference ") + h->GetHelperNode()->GetName() + L" As...";
    dialog.initialPath = ToWStr(fileEdit_->text());
    dialog.filters = {{L"3ds Max (*.max)", L"*.max"}, {L"All Files (*.*)", L"*.*"}};
    if (!GetHostDialogs().ShowSaveFileDialog(dialog) || dialog.result.isNull()) return;
    h->SaveAs(dialog.result.data());
}

void OstrivansQtManager::OnContextMenuSelectNodes() {
    INodeTab nodes;
    for (OstrivansHelper* h : SelectedHelpers()) {
        Tab<INode*> own = h->GetNodes();
        for (int i = 0; i < own.Count(); ++i) nodes.Append(own[i]);
    }
    Interface* ip = GetCOREInterface();
    if (nodes.Count() == 0) {
        ip->ClearNodeSelection();
        return;
    }
    theHold.Begin();
    ip->ClearNodeSelection(FALSE);
    ip->SelectNodeTab(nodes, TRUE, FALSE);
    theHold.Accept(GetString(IDS_UNDO_PARAMETER_CHANGE));
}

void OstrivansQtManager::OnContextMenuShowDupNames() {
    const std::vector<OstrivansHelper*> helpers = SelectedHelpers();
    if (helpers.size() == 1) helpers.front()->ShowDupNames();
}
