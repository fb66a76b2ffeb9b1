// The manager window: its widgets, the table's rebuild from the scene, the selection and the detail
// panel, the undo keys, the host notifications it listens to and the window's geometry.
#include "plugin/ui/OstrivansQtManager.h"

#include "host/core/Hold.h"
#include "host/core/Notify.h"
#include "host/qt/QtHelpers.h"
#include "host/scene/HostServices.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/script/ScriptRuntime.h"
#include "plugin/frame/StringTable.h"
#include "plugin/helper/HelperNotifications.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/helper/OstrivansHelperClassDesc.h"
#include "plugin/settings/OstrivansSettings.h"
#include "plugin/ui/DisplayTristateCheckBox.h"
#include "plugin/ui/NoHoverDelegate.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

using namespace MaxSDK::QtHelpers;

namespace {

// The host notifications after which the list may differ: a new or reset scene, a merge's end, an open
// file, and node renames, additions and deletions made by scripts or the user.
constexpr int kRefreshNotifications[] = {NOTIFY_SYSTEM_POST_NEW,         NOTIFY_SYSTEM_POST_RESET,
                                         NOTIFY_FILE_POST_MERGE_PROCESS, NOTIFY_FILE_POST_OPEN,
                                         NOTIFY_NODE_RENAMED,            NOTIFY_SCENE_ADDED_NODE,
                                         NOTIFY_SCENE_POST_DELETED_NODE};

const QStringList kReloadTypes = {QStringLiteral("Reload always"), QStringLiteral("Reload if file has changed"),
                                  QStringLiteral("Reload manually")};

struct ToolDef {
    const char* icon;
    const char* tip;
    const char* menuText;
};
// In command order (Add ... Merge).
constexpr ToolDef kTools[] = {
    {"Add", "Add Reference", "&Add"},          {"Reload", "Reload Reference", "&Reload"},
    {"Remove", "Remove Reference", "&Remove"}, {"Reset", "Reset Reference", "R&eset"},
    {"Duplicate", "Duplicate Reference", "&Duplicate"}, {"Merge", "Merge Reference", "&Merge"},
};

// The six columns: header and width.
constexpr std::pair<const char*, int> kColumns[] = {{"Reference", 110}, {"On", 35},         {"PV", 35},
                                                    {"PR", 35},         {"File Name", 260}, {"Proxy File Name", 180}};

INode* LiveNode(AnimHandle handle) {
    auto* node = dynamic_cast<INode*>(Animatable::GetAnimByHandle(handle));
    return node && !node->TestAFlag(A_IS_DELETED) ? node : nullptr;
}

// The scene's helper nodes, depth first from the root (a node before its children, children in order).
std::vector<INode*> SceneReferenceNodes() {
    std::vector<INode*> found, stack;
    INode* root = GetCOREInterface()->GetRootNode();
    for (int i = root->NumberOfChildren() - 1; i >= 0; --i) stack.push_back(root->GetChildNode(i));
    while (!stack.empty()) {
        INode* n = stack.back();
        stack.pop_back();
        if (HelperOfNode(n)) found.push_back(n);
        for (int i = n->NumberOfChildren() - 1; i >= 0; --i) stack.push_back(n->GetChildNode(i));
    }
    return found;
}

QTableWidgetItem* Cell(const QString& text, bool centred) {
    auto* item = new QTableWidgetItem(text);
    if (centred) item->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    return item;
}

QString YesNo(IParamBlock2* pb, ParamID id) {
    return pb && pb->GetInt(id) ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString TextParam(IParamBlock2* pb, ParamID id) {
    const MCHAR* s = pb ? pb->GetStr(id) : nullptr;
    return s ? QString::fromWCharArray(s) : QString();
}

} // namespace

OstrivansQtManager::OstrivansQtManager(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Ostrivans"));
    setObjectName(QStringLiteral("OstrivansQtManager"));
    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    setMinimumSize(Px(305), Px(350));
    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(0);
    connect(&refreshTimer_, &QTimer::timeout, this, &OstrivansQtManager::PopulateReferences);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Px(4), Px(4), Px(4), Px(4));
    layout->setSpacing(Px(2));
    auto* bar = new QMenuBar(this);
    BuildMenus(bar);
    layout->setMenuBar(bar);
    layout->addWidget(BuildToolBar());
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    layout->addWidget(BuildDetailPanel());
    BuildTable();
    layout->addWidget(table_, 1);

    for (QObject* o : std::initializer_list<QObject*>{this, table_, nameEdit_, fileEdit_, proxyEdit_})
        o->installEventFilter(this);
    ReadGeometry();
    RefreshProperties();
}

OstrivansQtManager::~OstrivansQtManager() {
    UnregisterNotifications();
}

int OstrivansQtManager::Px(int pixels) const {
    return static_cast<int>(pixels * GetCOREInterface()->Services().GetUIScaleFactor());
}

// ---- building

void OstrivansQtManager::BuildMenus(QMenuBar* bar) {
    using Slot = void (OstrivansQtManager::*)();
    const Slot commandSlots[kNumCommands] = {&OstrivansQtManager::OnAddPressed,    &OstrivansQtManager::OnReloadPressed,
                                      &OstrivansQtManager::OnRemovePressed, &OstrivansQtManager::OnResetPressed,
                                      &OstrivansQtManager::OnDuplicatePressed, &OstrivansQtManager::OnMergePressed};
    QMenu* reference = bar->addMenu(QStringLiteral("&Reference"));
    for (int c = 0; c < kNumCommands; ++c) {
        actions_[c] = reference->addAction(QString::fromLatin1(kTools[c].menuText));
        actions_[c]->setObjectName(QStringLiteral("Action") + QLatin1String(kTools[c].icon));
        actions_[c]->setEnabled(c == kAdd);
        connect(actions_[c], &QAction::triggered, this, commandSlots[c]);
    }
    reference->addSeparator();
    QAction* close = reference->addAction(QStringLiteral("&Close"));
    close->setObjectName(QStringLiteral("ActionClose"));
    connect(close, &QAction::triggered, this, &QDialog::close);

    QAction* advanced = bar->addMenu(QStringLiteral("&Tools"))->addAction(QStringLiteral("&Advanced Reset"));
    advanced->setObjectName(QStringLiteral("ActionAdvancedReset"));
    connect(advanced, &QAction::triggered, this, &OstrivansQtManager::OnAdvancedReset);

    showDupNamesAction_ =
        bar->addMenu(QStringLiteral("&Options"))->addAction(QStringLiteral("&Show Duplicated Names Warnings"));
    showDupNamesAction_->setObjectName(QStringLiteral("ActionShowDupNamesWarnings"));
    showDupNamesAction_->setCheckable(true);
    connect(showDupNamesAction_, &QAction::triggered, this, &OstrivansQtManager::OnToggleShowDupNamesWarnings);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    QAction* helpAction = help->addAction(QStringLiteral("Ostrivans &Help..."));
    helpAction->setObjectName(QStringLiteral("ActionHelp"));
    connect(helpAction, &QAction::triggered, this, &OstrivansQtManager::OnHelp);
    QAction* about = help->addAction(QStringLiteral("&About"));
    about->setObjectName(QStringLiteral("ActionAbout"));
    connect(about, &QAction::triggered, this, &OstrivansQtManager::OnAbout);
}

QIcon OstrivansQtManager::ToolIcon(const QString& name) const {
    QIcon icon;
    for (const QPixmap& p : CreatePixmapsFromMultiResIcon(QStringLiteral("Ostrivans/") + name))
        icon.addPixmap(p, QIcon::Normal, QIcon::Off);
    if (!icon.isNull()) return icon;
    // The icon files of the host's UI folder, the dark theme before the light one.
    const QString root = ToQString(GetCOREInterface()->GetDir(APP_MAXROOT_DIR));
    for (const char* theme : {"Dark", "Light"}) {
        QIcon themed;
        for (int size : {16, 20, 24, 30, 36, 48}) {
            const QString file = QStringLiteral("%1/UI_ln/Icons/%2/Ostrivans/%3_%4.png")
                                     .arg(root, QLatin1String(theme), name, QString::number(size));
            if (QFileInfo::exists(file)) themed.addFile(file, QSize(size, size));
        }
        if (!themed.isNull()) return themed;
    }
    return QIcon();
}

QWidget* OstrivansQtManager::BuildToolBar() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Px(1));
    for (int c = 0; c < kNumCommands; ++c) {
        auto* b = new QToolButton(row);
        b->setObjectName(QStringLiteral("Button") + QLatin1String(kTools[c].icon));
        b->setAutoRaise(true);
        b->setFixedSize(Px(28), Px(28));
        b->setIconSize(QSize(Px(20), Px(20)));
        b->setFocusPolicy(Qt::NoFocus);
        b->setStyleSheet(QStringLiteral("QToolButton { outline: none; } QToolButton:focus { outline: none; }"));
        b->setToolTip(QString::fromLatin1(kTools[c].tip));
        b->setIcon(ToolIcon(QString::fromLatin1(kTools[c].icon)));
        b->setEnabled(c == kAdd);
        // The action's slot, so a button and its menu entry always do the same.
        connect(b, &QToolButton::clicked, actions_[c], &QAction::trigger);
        buttons_[c] = b;
        layout->addWidget(b);
    }
    layout->addStretch();
    return row;
}

QWidget* OstrivansQtManager::BuildDetailPanel() {
    panel_ = new QWidget(this);
    panel_->setObjectName(QStringLiteral("DetailPanel"));
    auto* layout = new QVBoxLayout(panel_);
    layout->setContentsMargins(0, Px(4), 0, Px(2));
    layout->setSpacing(Px(2));
    const auto box = [&](const char* text, const char* name, void (OstrivansQtManager::*slot)(Qt::CheckState)) {
        auto* b = new DisplayTristateCheckBox(QString::fromLatin1(text), panel_);
        b->setObjectName(QLatin1String(name));
        connect(b, &QCheckBox::stateChanged, this, [this, slot](int s) { (this->*slot)(Qt::CheckState(s)); });
        return b;
    };
    const auto browse = [&](void (OstrivansQtManager::*slot)()) {
        auto* b = new QPushButton(QStringLiteral("..."), panel_);
        b->setFixedWidth(Px(30));
        b->setAutoDefault(false);
        b->setDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };

    auto* top = new QHBoxLayout;
    top->setSpacing(Px(10));
    top->addSpacing(Px(8));
    activeBox_ = box("Active", "Active", &OstrivansQtManager::OnActiveToggled);
    prefixBox_ = box("Use Name Prefix", "UseNamePrefix", &OstrivansQtManager::OnUseNamePrefixToggled);
    top->addWidget(activeBox_);
    top->addWidget(prefixBox_);
    top->addStretch();
    layout->addLayout(top);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(Px(8), 0, Px(9), 0);
    grid->setHorizontalSpacing(Px(4));
    grid->setVerticalSpacing(Px(2));
    nameEdit_ = new QLineEdit(panel_);
    nameEdit_->setObjectName(QStringLiteral("Name"));
    fileEdit_ = new QLineEdit(panel_);
    fileEdit_->setObjectName(QStringLiteral("FileName"));
    QPushButton* browseFile = browse(&OstrivansQtManager::OnBrowseFile);
    browseFile->setObjectName(QStringLiteral("BrowseFile"));
    grid->addWidget(new QLabel(QStringLiteral("Name:"), panel_), 0, 0);
    grid->addWidget(nameEdit_, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("File Name:"), panel_), 1, 0);
    grid->addWidget(fileEdit_, 1, 1);
    grid->addWidget(browseFile, 1, 2);
    layout->addLayout(grid);
    connect(nameEdit_, &QLineEdit::editingFinished, this, &OstrivansQtManager::OnNameEdited);
    connect(fileEdit_, &QLineEdit::editingFinished, this, &OstrivansQtManager::OnFileNameEdited);

    layout->addSpacing(Px(6));
    auto* proxy = new QGroupBox(QStringLiteral("Proxy"), panel_);
    auto* proxyLayout = new QVBoxLayout(proxy);
    proxyLayout->setContentsMargins(Px(3), Px(2), Px(3), Px(2));
    proxyLayout->setSpacing(Px(1));
    auto* uses = new QHBoxLayout;
    uses->setSpacing(Px(10));
    proxyViewportBox_ = box("Use in Viewport", "UseInViewport", &OstrivansQtManager::OnProxyViewportToggled);
    proxyRenderBox_ = box("Use in Render", "UseInRender", &OstrivansQtManager::OnProxyRenderToggled);
    uses->addWidget(proxyViewportBox_);
    uses->addWidget(proxyRenderBox_);
    uses->addStretch();
    proxyLayout->addLayout(uses);
    auto* proxyFile = new QHBoxLayout;
    proxyFile->setSpacing(Px(4));
    proxyEdit_ = new QLineEdit(proxy);
    proxyEdit_->setObjectName(QStringLiteral("ProxyFileName"));
    QPushButton* browseProxy = browse(&OstrivansQtManager::OnBrowseProxyFile);
    browseProxy->setObjectName(QStringLiteral("BrowseProxyFile"));
    proxyFile->addWidget(new QLabel(QStringLiteral("Proxy File Name:"), proxy));
    proxyFile->addWidget(proxyEdit_);
    proxyFile->addWidget(browseProxy);
    proxyLayout->addLayout(proxyFile);
    layout->addWidget(proxy);
    connect(proxyEdit_, &QLineEdit::editingFinished, this, &OstrivansQtManager::OnProxyFileNameEdited);

    auto* advanced = new QGroupBox(QStringLiteral("Advanced"), panel_);
    auto* advancedLayout = new QVBoxLayout(advanced);
    advancedLayout->setContentsMargins(Px(4), Px(2), Px(4), 0);
    advancedLayout->setSpacing(Px(1));
    auto* persist = new QHBoxLayout;
    persist->setSpacing(Px(6));
    persistBox_ = box("Persist in Scene", "PersistInScene", &OstrivansQtManager::OnPersistToggled);
    reloadCombo_ = new QComboBox(advanced);
    reloadCombo_->setObjectName(QStringLiteral("ReloadType"));
    reloadCombo_->addItems(kReloadTypes);
    connect(reloadCombo_, &QComboBox::currentIndexChanged, this, &OstrivansQtManager::OnReloadTypeChanged);
    persist->addWidget(persistBox_);
    persist->addSpacing(Px(10));
    persist->addWidget(new QLabel(QStringLiteral("Reload:"), advanced));
    persist->addWidget(reloadCombo_);
    persist->addStretch();
    advancedLayout->addLayout(persist);
    auto* overlay = new QHBoxLayout;
    overlayBox_ = box("Overlay", "Overlay", &OstrivansQtManager::OnOverlayToggled);
    overlay->addWidget(overlayBox_);
    overlay->addStretch();
    advancedLayout->addLayout(overlay);
    layout->addWidget(advanced);
    return panel_;
}

void OstrivansQtManager::BuildTable() {
    table_ = new QTableWidget(0, static_cast<int>(std::size(kColumns)), this);
    table_->setObjectName(QStringLiteral("References"));
    QStringList headers;
    for (const auto& [header, width] : kColumns) headers.append(QString::fromLatin1(header));
    table_->setHorizontalHeaderLabels(headers);
    for (int c = 0; c < table_->columnCount(); ++c) table_->setColumnWidth(c, Px(kColumns[c].second));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setAlternatingRowColors(false);
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setDefaultSectionSize(Px(19));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setStyleSheet(QStringLiteral("QTableWidget { outline: none; } QTableWidget::item { outline: none; }"));
    table_->setItemDelegate(new NoHoverDelegate(table_));
    QHeaderView* header = table_->horizontalHeader();
    QFont font = header->font();
    font.setBold(false);
    header->setFont(font);
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QWidget::customContextMenuRequested, this, &OstrivansQtManager::OnContextMenuRequested);
    connect(table_, &QTableWidget::itemSelectionChanged, this, &OstrivansQtManager::OnSelectionChanged);
}

// ---- the table

void OstrivansQtManager::ScheduleRefresh() {
    if (isVisible() && !editing_ && !syncingSelection_ && !refreshTimer_.isActive()) refreshTimer_.start();
}

std::vector<INode*> OstrivansQtManager::RowNodes() const {
    std::vector<INode*> nodes;
    nodes.reserve(rowNodes_.size());
    for (AnimHandle h : rowNodes_) nodes.push_back(LiveNode(h));
    return nodes;
}

void OstrivansQtManager::PopulateReferences() {
    if (syncingSelection_) return;
    refreshTimer_.stop();
    ++populateCount_;
    const bool was = populating_;
    populating_ = true;
    {
        const QSignalBlocker blockTable(table_), blockSelection(table_->selectionModel());
        table_->clearContents();
        const std::vector<INode*> nodes = SceneReferenceNodes();
        table_->setRowCount(static_cast<int>(nodes.size()));
        rowNodes_.clear();
        rowNodes_.reserve(nodes.size());
        // Runs of consecutive selected rows as one range each: the selection model answers per range.
        QItemSelection selected;
        int runStart = -1;
        const auto endRun = [&](int row) {
            if (runStart >= 0)
                selected.select(table_->model()->index(runStart, 0), table_->model()->index(row - 1, 0));
            runStart = -1;
        };
        for (int row = 0; row < static_cast<int>(nodes.size()); ++row) {
            INode* node = nodes[row];
            rowNodes_.push_back(Animatable::GetHandleByAnim(node));
            IParamBlock2* pb = HelperOfNode(node)->GetParamBlock();
            table_->setItem(row, 0, Cell(QString::fromWCharArray(node->GetName()), false));
            table_->setItem(row, 1, Cell(YesNo(pb, pb_active), true));
            table_->setItem(row, 2, Cell(YesNo(pb, pb_use_proxy_in_viewport), true));
            table_->setItem(row, 3, Cell(YesNo(pb, pb_use_proxy_in_render), true));
            table_->setItem(row, 4, Cell(TextParam(pb, pb_filename), false));
            table_->setItem(row, 5, Cell(TextParam(pb, pb_proxy_filename), false));
            if (pb && pb->GetInt(pb_selected_in_manager)) {
                if (runStart < 0) runStart = row;
            } else {
                endRun(row);
            }
        }
        endRun(static_cast<int>(nodes.size()));
        table_->selectionModel()->select(selected, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    populating_ = was;
    OnSelectionChanged();
}

std::vector<int> OstrivansQtManager::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& i : table_->selectionModel()->selectedRows()) rows.push_back(i.row());
    return rows;
}

std::vector<OstrivansHelper*> OstrivansQtManager::SelectedHelpers() {
    std::vector<OstrivansHelper*> helpers;
    bool stale = false;
    for (int row : SelectedRows()) {
        OstrivansHelper* h = row < static_cast<int>(rowNodes_.size()) ? HelperOfNode(LiveNode(rowNodes_[row])) : nullptr;
        if (h) helpers.push_back(h);
        else stale = true;
    }
    // A helper went behind the window's back: the list is rebuilt once the current command is over.
    if (stale && !refreshTimer_.isActive()) refreshTimer_.start();
    return helpers;
}

void OstrivansQtManager::OnSelectionChanged() {
    if (!populating_) {
        theHold.Begin();
        syncingSelection_ = true;
        const std::vector<int> rows = SelectedRows();
        std::vector<bool> isSelected(rowNodes_.size(), false);
        for (int row : rows)
            if (row < static_cast<int>(isSelected.size())) isSelected[row] = true;
        for (size_t row = 0; row < rowNodes_.size(); ++row) {
            OstrivansHelper* h = HelperOfNode(LiveNode(rowNodes_[row]));
            IParamBlock2* pb = h ? h->GetParamBlock() : nullptr;
            if (pb && (pb->GetInt(pb_selected_in_manager) != 0) != isSelected[row])
                pb->SetValue(pb_selected_in_manager, 0, isSelected[row] ? 1 : 0);
        }
        syncingSelection_ = false;
        theHold.Accept(GetString(IDS_UNDO_SELECTION_CHANGE));
    }
    const bool any = !table_->selectionModel()->selectedRows().isEmpty();
    for (int c = kReload; c < kNumCommands; ++c) {
        actions_[c]->setEnabled(any);
        buttons_[c]->setEnabled(any);
    }
    RefreshProperties();
}

void OstrivansQtManager::RefreshProperties() {
    const bool was = populating_;
    populating_ = true;
    const std::vector<OstrivansHelper*> helpers = SelectedHelpers();
    DisplayTristateCheckBox* const boxes[] = {activeBox_,     prefixBox_,  proxyViewportBox_,
                                              proxyRenderBox_, persistBox_, overlayBox_};
    const ParamID boxParams[] = {pb_active,   pb_use_name_prefix, pb_use_proxy_in_viewport, pb_use_proxy_in_render,
                                 pb_persist_ref, pb_overlay};
    if (helpers.empty()) {
        panel_->setEnabled(false);
        nameEdit_->clear();
        fileEdit_->clear();
        proxyEdit_->clear();
        for (auto* b : boxes) b->setCheckState(Qt::Unchecked);
        reloadCombo_->setCurrentIndex(-1);
        reloadCombo_->setEnabled(false);
        populating_ = was;
        return;
    }
    panel_->setEnabled(true);
    // Each value as the selected helpers hold it: the common value, or mixed.
    const auto all = [&](ParamID id, int value) {
        return std::all_of(helpers.begin(), helpers.end(), [&](OstrivansHelper* h) {
            return (h->GetParamBlock()->GetInt(id) != 0) == (value != 0);
        });
    };
    for (size_t i = 0; i < std::size(boxes); ++i)
        boxes[i]->setCheckState(all(boxParams[i], 1) ? Qt::Checked
                                : all(boxParams[i], 0) ? Qt::Unchecked
                                                       : Qt::PartiallyChecked);
    const auto common = [&](ParamID id) {
        const QString first = TextParam(helpers.front()->GetParamBlock(), id);
        for (OstrivansHelper* h : helpers)
            if (TextParam(h->GetParamBlock(), id) != first) return QString();
        return first;
    };
    fileEdit_->setText(common(pb_filename));
    proxyEdit_->setText(common(pb_proxy_filename));
    int reloadType = helpers.front()->GetParamBlock()->GetInt(pb_persist_reload_type);
    for (OstrivansHelper* h : helpers)
        if (h->GetParamBlock()->GetInt(pb_persist_reload_type) != reloadType) reloadType = -1;
    reloadCombo_->setCurrentIndex(reloadType >= 0 && reloadType < reloadCombo_->count() ? reloadType : -1);
    if (helpers.size() == 1) {
        nameEdit_->setEnabled(true);
        nameEdit_->setText(QString::fromWCharArray(helpers.front()->GetHelperNode()->GetName()));
        reloadCombo_->setEnabled(helpers.front()->GetParamBlock()->GetInt(pb_persist_ref) != 0);
    } else {
        nameEdit_->setText(QStringLiteral("<Multiple Selected>"));
        nameEdit_->setEnabled(false);
        reloadCombo_->setEnabled(!all(pb_persist_ref, 0));
    }
    populating_ = was;
}

// ---- events

bool OstrivansQtManager::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool undo = key->matches(QKeySequence::Undo) ||
                      (key->key() == Qt::Key_Z && key->modifiers() == (Qt::ControlModifier | Qt::AltModifier));
    const bool redo = !undo && key->matches(QKeySequence::Redo);
    if (!undo && !redo) return QDialog::eventFilter(watched, event);
    // A line edit with its own history takes the key; otherwise it undoes or redoes in the scene.
    if (auto* edit = qobject_cast<QLineEdit*>(focusWidget()))
        if (undo ? edit->isUndoAvailable() : edit->isRedoAvailable()) return false;
    ExecuteMAXScriptScript(undo ? L"max undo" : L"max redo", MAXScript::ScriptSource::NonEmbedded, FALSE);
    return true;
}

void OstrivansQtManager::showEvent(QShowEvent* event) {
    ReadGeometry();
    RegisterNotifications();
    {
        const QSignalBlocker block(showDupNamesAction_);
        showDupNamesAction_->setChecked(ShowDuplicatedNamesWarningSetting());
    }
    PopulateReferences();
    QDialog::showEvent(event);
}

void OstrivansQtManager::hideEvent(QHideEvent* event) {
    StoreGeometry();
    UnregisterNotifications();
    QDialog::hideEvent(event);
}

void OstrivansQtManager::closeEvent(QCloseEvent* event) {
    StoreGeometry();
    UnregisterNotifications();
    QDialog::closeEvent(event);
}

// ---- notifications and geometry

void OstrivansQtManager::RegisterNotifications() {
    if (notificationsRegistered_) return;
    for (int code : kRefreshNotifications) RegisterNotification(OnRefreshNotification, this, code);
    RegisterNotification(OnGeometryNotification, this, NOTIFY_SYSTEM_SHUTDOWN);
    notificationsRegistered_ = true;
}

void OstrivansQtManager::UnregisterNotifications() {
    if (!notificationsRegistered_) return;
    UnRegisterNotification(OnRefreshNotification, this);
    UnRegisterNotification(OnGeometryNotification, this);
    notificationsRegistered_ = false;
}

void OstrivansQtManager::OnRefreshNotification(void* param, NotifyInfo*) {
    static_cast<OstrivansQtManager*>(param)->ScheduleRefresh();
}

void OstrivansQtManager::OnGeometryNotification(void* param, NotifyInfo*) {
    static_cast<OstrivansQtManager*>(param)->StoreGeometry();
}

void OstrivansQtManager::ReadGeometry() {
    resize(GetManagerDlgSizeX(), GetManagerDlgSizeY());
    move(GetManagerDlgPosX(), GetManagerDlgPosY());
}

void OstrivansQtManager::StoreGeometry() {
    if (isMinimized() || width() < 1 || height() < 1) return;
    SetIniInt(kIniDlgSizeX, width());
    SetIniInt(kIniDlgSizeY, height());
    SetIniInt(kIniDlgPosX, frameGeometry().x());
    SetIniInt(kIniDlgPosY, frameGeometry().y());
}
