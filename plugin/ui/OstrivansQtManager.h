// The manager window: the scene's references in a table, the selected ones' parameters in a detail
// panel, and every reference operation in menus, a tool bar and a context menu.
#pragma once

#include "host/core/Animatable.h"
#include "host/core/MaxTypes.h"

#include <QDialog>
#include <QTimer>

#include <array>
#include <vector>

class DisplayTristateCheckBox;
class INode;
class OstrivansHelper;
class QAction;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QTableWidget;
class QToolButton;
class QWidget;
struct NotifyInfo;

// Keeps no reference data of its own: the table is rebuilt from the scene, each edit goes at once into
// the helpers' parameter blocks inside one undo step, and each command calls the helper's operations or
// the global script interface. Closing only hides it; the module keeps one for the session.
class OstrivansQtManager : public QDialog {
    Q_OBJECT
public:
    explicit OstrivansQtManager(QWidget* parent = nullptr);
    ~OstrivansQtManager() override;

    // The table's rebuild for a host notification or a script change: at most one per pass of the event
    // loop, however many requests a burst makes, and none while the window is hidden.
    void ScheduleRefresh();
    // Rebuilds so far (for measurements and tests).
    int PopulateCount() const { return populateCount_; }
    // The table's context menu as it would be shown now (owned by the caller).
    QMenu* BuildContextMenu();
    // The helper nodes of the rows, in row order; a node deleted behind the window's back is null.
    std::vector<INode*> RowNodes() const;
    // Stores the window's size and position in the settings (not while minimized or empty).
    void StoreGeometry();

public Q_SLOTS:
    void PopulateReferences();
    void OnSelectionChanged();
    void RefreshProperties();
    void OnAddPressed();
    void OnReloadPressed();
    void OnRemovePressed();
    void OnResetPressed();
    void OnDuplicatePressed();
    void OnMergePressed();
    void OnAdvancedReset();
    void OnToggleShowDupNamesWarnings(bool checked);
    void OnHelp();
    void OnAbout();
    void OnContextMenuRequested(const QPoint& pos);
    void OnContextMenuOpen();
    void OnContextMenuOpenNewSession();
    void OnContextMenuRevealInExplorer();
    void OnContextMenuOverwrite();
    void OnContextMenuSaveAs();
    void OnContextMenuSelectNodes();
    void OnContextMenuShowDupNames();
    void OnNameEdited();
    void OnFileNameEdited();
    void OnProxyFileNameEdited();
    void OnBrowseFile();
    void OnBrowseProxyFile();
    void OnActiveToggled(Qt::CheckState state);
    void OnUseNamePrefixToggled(Qt::CheckState state);
    void OnProxyViewportToggled(Qt::CheckState state);
    void OnProxyRenderToggled(Qt::CheckState state);
    void OnPersistToggled(Qt::CheckState state);
    void OnOverlayToggled(Qt::CheckState state);
    void OnReloadTypeChanged(int index);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The commands that need a selection: their menu entries and tool buttons go on and off together.
    enum Command { kAdd, kReload, kRemove, kReset, kDuplicate, kMerge, kNumCommands };

    void BuildMenus(QMenuBar* bar);
    QWidget* BuildToolBar();
    QWidget* BuildDetailPanel();
    void BuildTable();
    int Px(int pixels) const;
    QIcon ToolIcon(const QString& name) const;

    // The helpers of the selected rows in the selection model's order; a row whose node went behind the
    // window's back is skipped and schedules a rebuild.
    std::vector<OstrivansHelper*> SelectedHelpers();
    std::vector<int> SelectedRows() const;
    // Sets an integer parameter on every selected helper in one "Ostrivan Parameter Change" step.
    void SetOnSelected(int paramId, int value);
    void SetTextOnSelected(int paramId, const QString& text);
    void OnToggled(int paramId, Qt::CheckState state, bool repopulate);
    void OnFileFieldEdited(QLineEdit* field, int paramId);
    void Browse(QLineEdit* field, int paramId, const MCHAR* caption);
    // Yes/No with No as default; true on Yes.
    bool Confirm(const MCHAR* text, const MCHAR* title, bool warning = false);
    // The one selected helper with a file name, for the context menu's file entries; null otherwise.
    OstrivansHelper* SingleHelperWithFile();

    void RegisterNotifications();
    void UnregisterNotifications();
    static void OnRefreshNotification(void* param, NotifyInfo* info);
    static void OnGeometryNotification(void* param, NotifyInfo* info);
    void ReadGeometry();

    std::vector<AnimHandle> rowNodes_;
    bool notificationsRegistered_ = false;
    bool populating_ = false;
    bool syncingSelection_ = false;
    // The window is writing parameters itself: the refresh requests that causes are its own.
    bool editing_ = false;
    int populateCount_ = 0;
    QTimer refreshTimer_;

    std::array<QAction*, kNumCommands> actions_{};
    std::array<QToolButton*, kNumCommands> buttons_{};
    QAction* showDupNamesAction_ = nullptr;
    QWidget* panel_ = nullptr;
    DisplayTristateCheckBox* activeBox_ = nullptr;
    DisplayTristateCheckBox* prefixBox_ = nullptr;
    DisplayTristateCheckBox* proxyViewportBox_ = nullptr;
    DisplayTristateCheckBox* proxyRenderBox_ = nullptr;
    DisplayTristateCheckBox* persistBox_ = nullptr;
    DisplayTristateCheckBox* overlayBox_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    QLineEdit* fileEdit_ = nullptr;
    QLineEdit* proxyEdit_ = nullptr;
    QComboBox* reloadCombo_ = nullptr;
    QTableWidget* table_ = nullptr;
};
