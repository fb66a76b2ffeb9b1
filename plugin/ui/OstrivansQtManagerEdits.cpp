// The manager window's detail panel: toggles, the reload type, the name and file fields and their browse
// buttons. Each edit is one "Ostrivan Parameter Change" undo step over every selected reference.
#include "plugin/ui/OstrivansQtManager.h"

#include "host/core/Hold.h"
#include "host/qt/QtHelpers.h"
#include "host/scene/HostDialogs.h"
#include "host/scene/INode.h"
#include "plugin/frame/StringTable.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/helper/OstrivansHelperClassDesc.h"
#include "plugin/ui/DisplayTristateCheckBox.h"

#include <QComboBox>
#include <QLineEdit>

using namespace MaxSDK::QtHelpers;

namespace {

// One undo step named "Ostrivan Parameter Change" around an edit.
template <class F> void ParameterChange(F&& edit) {
    theHold.Begin();
    edit();
    theHold.Accept(GetString(IDS_UNDO_PARAMETER_CHANGE));
}

const std::vector<std::pair<WStr, WStr>>& SceneFileFilters() {
    static const std::vector<std::pair<WStr, WStr>> filters = {{L"3ds Max (*.max)", L"*.max"},
                                                               {L"All Files (*.*)", L"*.*"}};
    return filters;
}

} // namespace

void OstrivansQtManager::SetOnSelected(int paramId, int value) {
    const std::vector<OstrivansHelper*> helpers = SelectedHelpers();
    // By handle: setting one helper's parameter may load content that another helper's node holds.
    std::vector<AnimHandle> handles;
    for (OstrivansHelper* h : helpers) handles.push_back(Animatable::GetHandleByAnim(h));
    const bool was = editing_;
    editing_ = true;
    ParameterChange([&] {
        for (AnimHandle handle : handles)
            if (auto* h = dynamic_cast<OstrivansHelper*>(Animatable::GetAnimByHandle(handle)); h && h->GetParamBlock())
                h->GetParamBlock()->SetValue(static_cast<ParamID>(paramId), 0, value);
    });
    editing_ = was;
}

void OstrivansQtManager::SetTextOnSelected(int paramId, const QString& text) {
    const WStr value = ToWStr(text);
    std::vector<AnimHandle> handles;
    for (OstrivansHelper* h : SelectedHelpers()) handles.push_back(Animatable::GetHandleByAnim(h));
    const bool was = editing_;
    editing_ = true;
    ParameterChange([&] {
        for (AnimHandle handle : handles)
            if (auto* h = dynamic_cast<OstrivansHelper*>(Animatable::GetAnimByHandle(handle)); h && h->GetParamBlock())
                h->GetParamBlock()->SetValue(static_cast<ParamID>(paramId), 0, value.data());
    });
    editing_ = was;
}

void OstrivansQtManager::OnToggled(int paramId, Qt::CheckState state, bool repopulate) {
    if (populating_ || state == Qt::PartiallyChecked) return;
    SetOnSelected(paramId, state == Qt::Checked ? 1 : 0);
    if (repopulate) PopulateReferences();
}

void OstrivansQtManager::OnActiveToggled(Qt::CheckState state) {
    OnToggled(pb_active, state, true);
}

void OstrivansQtManager::OnUseNamePrefixToggled(Qt::CheckState state) {
    OnToggled(pb_use_name_prefix, state, false);
}

void OstrivansQtManager::OnProxyViewportToggled(Qt::CheckState state) {
    OnToggled(pb_use_proxy_in_viewport, state, true);
}

void OstrivansQtManager::OnProxyRenderToggled(Qt::CheckState state) {
    OnToggled(pb_use_proxy_in_render, state, true);
}

void OstrivansQtManager::OnPersistToggled(Qt::CheckState state) {
    if (populating_ || state == Qt::PartiallyChecked) return;
    reloadCombo_->setEnabled(state == Qt::Checked);
    OnToggled(pb_persist_ref, state, false);
}

void OstrivansQtManager::OnOverlayToggled(Qt::CheckState state) {
    OnToggled(pb_overlay, state, false);
}

void OstrivansQtManager::OnReloadTypeChanged(int index) {
    if (populating_ || index < 0) return;
    SetOnSelected(pb_persist_reload_type, index);
}

void OstrivansQtManager::OnNameEdited() {
    if (populating_ || !nameEdit_->isModified()) return;
    const std::vector<OstrivansHelper*> helpers = SelectedHelpers();
    if (helpers.size() != 1 || SelectedRows().size() != 1) return;
    const QString name = nameEdit_->text().trimmed();
    if (name.isEmpty()) return;
    INode* node = helpers.front()->GetHelperNode();
    if (!node) return;
    if (name != QString::fromWCharArray(node->GetName())) {
        const WStr value = ToWStr(name);
        ParameterChange([&] { node->SetName(value.data()); });
        nameEdit_->setModified(false);
        PopulateReferences();
        return;
    }
    nameEdit_->setModified(false);
}

void OstrivansQtManager::OnFileFieldEdited(QLineEdit* field, int paramId) {
    if (populating_ || !field->isModified()) return;
    const std::vector<OstrivansHelper*> helpers = SelectedHelpers();
    const QString text = field->text().trimmed();
    const bool same = std::all_of(helpers.begin(), helpers.end(), [&](OstrivansHelper* h) {
        const MCHAR* s = h->GetParamBlock()->GetStr(static_cast<ParamID>(paramId));
        return QString::fromWCharArray(s ? s : L"") == text;
    });
    if (helpers.empty() || same) {
        field->setModified(false);
        return;
    }
    SetTextOnSelected(paramId, text);
    field->setModified(false);
    PopulateReferences();
}

void OstrivansQtManager::OnFileNameEdited() {
    OnFileFieldEdited(fileEdit_, pb_filename);
}

void OstrivansQtManager::OnProxyFileNameEdited() {
    OnFileFieldEdited(proxyEdit_, pb_proxy_filename);
}

void OstrivansQtManager::Browse(QLineEdit* field, int paramId, const MCHAR* caption) {
    if (SelectedHelpers().empty()) return;
    OpenFileDialog dialog;
    dialog.title = caption;
    dialog.initialDir = ToWStr(field->text());
    dialog.filters = SceneFileFilters();
    if (!GetHostDialogs().ShowOpenFileDialog(dialog) || dialog.result.empty() || dialog.result.front().isNull()) return;
    SetTextOnSelected(paramId, ToQString(dialog.result.front()));
    PopulateReferences();
}

void OstrivansQtManager::OnBrowseFile() {
    Browse(fileEdit_, pb_filename, L"Select Reference File");
}

void OstrivansQtManager::OnBrowseProxyFile() {
    Browse(proxyEdit_, pb_proxy_filename, L"Select Proxy File");
}
