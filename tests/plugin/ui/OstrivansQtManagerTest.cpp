// The manager window driven as a user drives it: actions triggered, buttons clicked, boxes clicked,
// fields typed in, confirmations answered through the host's scriptable message boxes.
#include "host/qt/HostMainWindow.h"
#include "host/qt/QtHelpers.h"
#include "host/scene/HostDialogs.h"
#include "tests/plugin/ui/ManagerTestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>

using MaxSDK::QtHelpers::ToQString;

namespace {

constexpr unsigned kQuestion = MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION;
constexpr unsigned kWarning = MB_YESNO | MB_DEFBUTTON2 | MB_ICONEXCLAMATION;

class ManagerTest : public ManagerFixture {
protected:
    // An entry of the context menu as it is built for the current selection (the menu is kept alive).
    QAction* ContextEntry(const QString& text) {
        delete menu_.data();
        menu_ = GetManagerWindow()->BuildContextMenu();
        QList<QAction*> all = menu_->actions();
        for (QAction* a : menu_->actions())
            if (a->menu()) all += a->menu()->actions();
        for (QAction* a : all)
            if (a->text() == text) return a;
        ADD_FAILURE() << text.toStdString();
        return nullptr;
    }
    // A command by name: "Context:<entry text>" runs a context menu entry, "Button<Name>"-style names a
    // tool button, anything else a menu action.
    void Command(const std::string& name) {
        if (name.rfind("Context:", 0) == 0) ContextEntry(QString::fromStdString(name.substr(8)))->trigger();
        else if (name.rfind("Button:", 0) == 0) Run(name.substr(7), true);
        else Run(name, false);
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const std::string& r : Rows()) names.push_back(r.substr(0, r.find('|')));
        return names;
    }
    // Owned by the window, which may go first.
    QPointer<QMenu> menu_;
};

TEST_F(ManagerTest, TheTableListsEveryReferenceWithItsSwitchesFileAndProxy) {
    OpenWithThree();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"house|Yes|No|No|house|", "walls|No|No|No|walls|",
                                                "tree|Yes|Yes|No|tree|tree_proxy"}));
    // Every new reference is selected in the manager, and the window shows it.
    EXPECT_EQ(Table()->selectionModel()->selectedRows().size(), 3);
    EXPECT_EQ(Find<QLineEdit>("Name")->text(), QStringLiteral("<Multiple Selected>"));
}

TEST_F(ManagerTest, EveryConfirmationAsksWithItsTextAndNoLeavesTheSceneAsItWas) {
    struct Case {
        std::string command;
        int row;
        const wchar_t* title;
        const wchar_t* text;
        unsigned style;
    };
    const Case cases[] = {
        {"Button:Remove", 0, L"Remove Reference",
         L"Are you sure you want to remove the selected references?, this operation can't be undone.", kQuestion},
        {"Reset", 1, L"Reset Reference",
         L"Are you sure you want to reset the selected references?, this operation can't be undone.", kQuestion},
        {"Merge", 0, L"Merge Reference",
         L"Are you sure you want to merge the selected references?, this operation can't be undone.", kQuestion},
        {"Button:Merge", 2, L"Merge References and Proxies",
         L"One or more selected references are used as Proxy in the viewport.\n\nThe Proxy will be merged for "
         L"those references, this action can't be undone.\n\nDo you want to continue?",
         kWarning},
        {"Context:&Overwrite", 0, L"Overwrite Reference",
         L"Are you sure you want to overwrite the selected references?, this operation can't be undone.", kQuestion},
    };
    OpenWithThree();
    const std::vector<std::string> rows = Rows(), scene = SceneNodeNames();
    for (const Case& c : cases) {
        Select({c.row});
        ip->Services().ClearRecord();
        ip->Services().QueueAnswer(IDNO);
        Command(c.command);
        Settle();
        ASSERT_EQ(ip->Services().Shown().size(), 1u) << c.command;
        const auto& shown = ip->Services().Shown().front();
        EXPECT_EQ(shown.title, MSTR(c.title)) << c.command;
        EXPECT_EQ(shown.text, MSTR(c.text)) << c.command;
        EXPECT_EQ(shown.style, c.style) << c.command;
        EXPECT_EQ(Rows(), rows) << c.command;
        EXPECT_EQ(SceneNodeNames(), scene) << c.command;
    }
}

TEST_F(ManagerTest, EachCommandAnsweredYesDoesItsWork) {
    struct Case {
        std::string command;
        std::vector<int> rows;
        std::vector<std::string> names; // the table's first column afterwards
        int loads;                      // loads started by the command
        const char* present;            // a node the scene holds afterwards ("" for none)
        const char* absent;             // a node the scene no longer holds ("" for none)
    };
    const Case cases[] = {
        {"Button:Reload", {0}, {"house", "walls", "tree"}, 1, "", ""},
        {"Reload", {0, 2}, {"house", "walls", "tree"}, 2, "", ""},
        {"Button:Reset", {2}, {"house", "walls", "tree"}, 1, "", ""},
        {"Remove", {2}, {"house", "walls"}, 0, "", "TreeProxy"},
        {"Button:Merge", {2}, {"house", "walls"}, 0, "TreeProxy", "tree"},
        {"Button:Duplicate", {0}, {"house", "walls", "tree", "house001"}, 1, "", ""},
        {"Add", {}, {"house", "walls", "tree", "tree001"}, 1, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        OpenWithThree();
        Select({});
        for (int r : c.rows) Table()->selectionModel()->select(Table()->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        ip->Services().QueueAnswer(IDYES);
        GetHostDialogs().QueueOpenFiles({tree});
        LoadCounter loads;
        Command(c.command);
        Settle();
        EXPECT_EQ(Names(), c.names);
        EXPECT_EQ(loads.count, c.loads);
        if (*c.present) {
            EXPECT_TRUE(Node(WStr::FromUTF8(c.present).data()));
        }
        if (*c.absent) {
            EXPECT_FALSE(Node(WStr::FromUTF8(c.absent).data()));
        }
        ip->FileReset(TRUE);
        GetHostDialogs().ClearRecord();
        ip->Services().ClearRecord();
        ip->Services().ForgetAnswers();
    }
}

TEST_F(ManagerTest, FileHelpAndOptionCommandsReachTheHelperTheHostAndTheSettings) {
    std::vector<MaxSDK::QtHelpers::ShellRequest> shell;
    MaxSDK::QtHelpers::SetShellRecord(&shell);
    const std::string copy = (dir_ / "copy.max").string();
    const auto shellWas = [&](const char* kind, const QString& target) {
        ASSERT_EQ(shell.size(), 1u);
        EXPECT_EQ(shell[0].kind.toStdString(), kind);
        EXPECT_EQ(shell[0].target, target);
    };
    const std::vector<std::pair<std::string, std::function<void()>>> cases = {
        {"Context:&Save As...", [&] { EXPECT_TRUE(std::filesystem::exists(copy)); }},
        {"Context:&Select Nodes",
         [&] {
             EXPECT_EQ(ip->GetSelNodeCount(), 2);
             EXPECT_EQ(theHold.UndoStepName(0), MSTR(L"Ostrivan Parameter Change"));
         }},
        {"Context:&Open",
         [&] {
             EXPECT_EQ(ip->Services().Shown().back().title, MSTR(L"Save Changes"));
             EXPECT_TRUE(Node(L"Wall01") && !Node(L"house") && !Node(L"tree"));
         }},
        {"Context:&Reveal in Explorer", [&] { shellWas("url", QUrl::fromLocalFile(QString::fromStdString(dir_.string())).toString()); }},
        {"Context:Open in &New 3ds Max Session",
         [&] {
             shellWas("process", QDir(ToQString(ip->GetDir(APP_MAXROOT_DIR))).filePath(QStringLiteral("ostrivans-host")));
             EXPECT_TRUE(shell[0].arguments.last().contains(QString::fromStdWString(house.str())));
         }},
        {"Help", [&] { shellWas("url", QStringLiteral("https://ostrivans.github.io/docs/manager.html")); }},
        {"About", [&] { EXPECT_EQ(GetHostDialogs().Shown().back().title, MSTR(L"About")); }},
        {"ShowDupNamesWarnings", [&] { EXPECT_FALSE(ShowDuplicatedNamesWarningSetting()); }},
    };
    for (const auto& [command, check] : cases) {
        SCOPED_TRACE(command);
        OpenWithThree();
        Select({0});
        shell.clear();
        GetHostDialogs().QueueSaveFile(WStr::FromUTF8(copy));
        ip->Services().QueueAnswer(IDNO); // the open asks to save the scene first
        Command(command);
        check();
        ip->FileReset(TRUE);
        GetHostDialogs().ClearRecord();
        ip->Services().ClearRecord();
        ip->Services().ForgetAnswers();
    }
    MaxSDK::QtHelpers::SetShellRecord(nullptr);
}

TEST_F(ManagerTest, MenuEntriesButtonsAndContextMenuFollowTheSelection) {
    // Selected rows; then: the five commands, and the context entries Open, New Session, Reveal,
    // Overwrite, Save As, Select Nodes, Show Duplicated Names.
    const std::vector<std::pair<std::vector<int>, std::string>> cases = {
        {{}, "0 0000000"}, {{1}, "1 1111111"}, {{0, 2}, "1 0001010"}};
    const char* commands[] = {"Reload", "Remove", "Reset", "Duplicate", "Merge"};
    const QString entries[] = {QStringLiteral("&Open"),       QStringLiteral("Open in &New 3ds Max Session"),
                               QStringLiteral("&Reveal in Explorer"), QStringLiteral("&Overwrite"),
                               QStringLiteral("&Save As..."), QStringLiteral("&Select Nodes"),
                               QStringLiteral("Show &Duplicated Names")};
    OpenWithThree();
    for (const auto& [rows, expected] : cases) {
        Table()->clearSelection();
        for (int r : rows) Table()->selectionModel()->select(Table()->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        std::string seen;
        bool all = true, none = true;
        for (const char* c : commands) {
            const bool on = Find<QAction>((std::string("Action") + c).c_str())->isEnabled() &&
                            Find<QToolButton>((std::string("Button") + c).c_str())->isEnabled();
            all = all && on;
            none = none && !Find<QAction>((std::string("Action") + c).c_str())->isEnabled();
        }
        seen += all ? "1 " : none ? "0 " : "? ";
        for (const QString& e : entries) seen += ContextEntry(e)->isEnabled() ? '1' : '0';
        EXPECT_EQ(seen, expected) << rows.size() << " rows";
    }
}

TEST_F(ManagerTest, DetailPanelEditsLandInEverySelectedHelperAsOneUndoStep) {
    OpenWithThree();
    Select({0, 1});
    auto* active = Find<QCheckBox>("Active");
    EXPECT_EQ(active->checkState(), Qt::PartiallyChecked);
    theHold.ClearUndoBuffer();
    active->click();
    EXPECT_EQ(active->checkState(), Qt::Checked);
    EXPECT_EQ(Rows()[1].substr(0, 9), "walls|Yes");
    ASSERT_EQ(theHold.NumUndoSteps(), 1);
    EXPECT_EQ(theHold.UndoStepName(0), MSTR(L"Ostrivan Parameter Change"));

    // A switch that does not load: the step takes both helpers back.
    HelperOfNode(Node(L"house"))->GetParamBlock()->SetValue(pb_use_proxy_in_render, 0, 1);
    Select({0, 1});
    theHold.ClearUndoBuffer();
    Find<QCheckBox>("UseInRender")->click();
    ASSERT_EQ(theHold.NumUndoSteps(), 1);
    EXPECT_EQ(Rows()[1].substr(0, 16), "walls|Yes|No|Yes");
    theHold.Undo();
    EXPECT_EQ(HelperOfNode(Node(L"walls"))->GetParamBlock()->GetInt(pb_use_proxy_in_render), 0);
    EXPECT_EQ(HelperOfNode(Node(L"house"))->GetParamBlock()->GetInt(pb_use_proxy_in_render), 1);
    // A click never enters the mixed state.
    auto* render = Find<QCheckBox>("UseInRender");
    render->click();
    EXPECT_EQ(render->checkState(), Qt::Unchecked);
    render->click();
    EXPECT_EQ(render->checkState(), Qt::Checked);

    // Two different files show an empty field; a new name typed in goes to both.
    Select({0, 1});
    auto* file = Find<QLineEdit>("FileName");
    EXPECT_TRUE(file->text().isEmpty());
    theHold.ClearUndoBuffer();
    QTest::keyClicks(file, QString::fromStdWString(tree.str()));
    QTest::keyClick(file, Qt::Key_Return);
    for (const MCHAR* n : {L"house", L"walls"})
        EXPECT_EQ(MSTR(HelperOfNode(Node(n))->GetParamBlock()->GetStr(pb_filename)), tree) << WStr(n).ToUTF8();
    EXPECT_EQ(theHold.NumUndoSteps(), 1);

    // A name of blanks changes nothing and stays marked as edited.
    Select({2});
    auto* name = Find<QLineEdit>("Name");
    name->setText(QStringLiteral("   "));
    name->setModified(true);
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_TRUE(Node(L"tree"));
    EXPECT_TRUE(name->isModified());
}

TEST_F(ManagerTest, TheTableFollowsScriptChangesWithOneRebuildPerBurst) {
    OstrivansQtManager* w = OpenWithThree();
    Select({0, 2});
    const int before = w->PopulateCount();
    ASSERT_TRUE(ExecuteMAXScriptScript(L"n = Ostrivans.GetOstrivan 1\n"
                                       L"for i = 1 to 50 do n.name = \"Street\" + (i as string)\n"
                                       L"(Ostrivans.GetOstrivan 3).UseProxyInRender = true\n"
                                       L"Ostrivans.AddOstrivan @\"" + MSTR(tree) + L"\" load:false",
                                       MAXScript::ScriptSource::NonEmbedded, FALSE));
    Settle();
    EXPECT_EQ(w->PopulateCount(), before + 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Street50", "walls", "tree", "tree001"}));
    EXPECT_EQ(Rows()[2], "tree|Yes|Yes|Yes|tree|tree_proxy");
    // The rebuilt table selects what the helpers say: the rows the user chose and the script's new one.
    std::vector<int> selected;
    for (const QModelIndex& i : Table()->selectionModel()->selectedRows()) selected.push_back(i.row());
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, (std::vector<int>{0, 2, 3}));
}

TEST_F(ManagerTest, ClosingAndOpeningAgainKeepsOneWindow) {
    OstrivansQtManager* w = OpenWithThree();
    // Opening it while it is shown keeps the size the user gave it.
    w->resize(500, 380);
    EXPECT_EQ(Open(), w);
    EXPECT_EQ(std::make_pair(GetManagerDlgSizeX(), GetManagerDlgSizeY()), std::make_pair(500, 380));
    Run("Close", false);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(GetOstrivansInterface().IsManagerOpen());
    EXPECT_EQ(Open(), w);
    EXPECT_TRUE(GetOstrivansInterface().IsManagerOpen());
    GetOstrivansInterface().CloseManager();
    EXPECT_FALSE(w->isVisible());
    GetOstrivansInterface().OpenManager();
    int windows = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) windows += qobject_cast<OstrivansQtManager*>(top) != nullptr;
    EXPECT_EQ(windows, 1);
    EXPECT_TRUE(w->isVisible());
}

TEST_F(ManagerTest, ACommandOnAHelperDeletedBehindTheWindowsBackDoesNothingAndRefreshes) {
    const std::string commands[] = {"Reload", "Remove", "Reset", "Duplicate", "Merge", "Context:&Overwrite",
                                    "Context:&Select Nodes", "Context:&Save As...", "Context:&Open"};
    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        OpenWithThree();
        Select({1});
        // Undoable, as a script's or the user's deletion is: the node lives on in the undo buffer.
        Step([&] { ip->DeleteNode(Node(L"walls")); }, L"Delete");
        const std::vector<std::string> scene = SceneNodeNames();
        ip->Services().QueueAnswer(IDYES);
        GetHostDialogs().QueueSaveFile(WStr::FromUTF8((dir_ / "copy.max").string()));
        LoadCounter loads;
        Command(command);
        EXPECT_EQ(loads.count, 0);
        EXPECT_EQ(SceneNodeNames(), scene);
        Settle();
        EXPECT_EQ(Names(), (std::vector<std::string>{"house", "tree"}));
        ip->FileReset(TRUE);
        GetHostDialogs().ClearRecord();
        ip->Services().ClearRecord();
        ip->Services().ForgetAnswers();
    }
}

TEST_F(ManagerTest, UndoKeysGoToAFieldWithItsOwnHistoryAndOtherwiseToTheScene) {
    OpenWithThree();
    Select({0});
    auto* file = Find<QLineEdit>("FileName");
    file->setFocus();
    QTest::keyClicks(file, QStringLiteral("x"));
    theHold.ClearUndoBuffer();
    Step([&] { Node(L"house")->SetName(L"Street"); }, L"Rename");
    QTest::keyClick(file, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(file->text(), QString::fromStdWString(house.str()));
    EXPECT_TRUE(Node(L"Street"));
    QTest::keyClick(Table(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(Node(L"house"));
}

TEST_F(ManagerTest, TheHostMainWindowsScriptLineOpensTheManagerAsItsChild) {
    auto main = std::make_unique<HostMainWindow>();
    main->show();
    QTest::keyClicks(main->ScriptLine(), QStringLiteral("OpenOstrivansManager()"));
    QTest::keyClick(main->ScriptLine(), Qt::Key_Return);
    ASSERT_TRUE(GetManagerWindow());
    EXPECT_TRUE(GetManagerWindow()->isVisible());
    EXPECT_EQ(GetManagerWindow()->parentWidget(), main.get());
    EXPECT_TRUE(main->ListenerPanel()->toPlainText().contains(QStringLiteral("OpenOstrivansManager()\nOK")));
    main.reset();
    EXPECT_FALSE(GetManagerWindow());
}

// The window with three references, one and then two selected, grabbed offscreen;
// OSTRIVANS_SCREENSHOT_DIR keeps the pictures.
TEST_F(ManagerTest, GrabsOfTheWindowWithThreeReferences) {
    OstrivansQtManager* w = OpenWithThree();
    w->resize(720, 400);
    const std::pair<std::vector<int>, const char*> shots[] = {{{2}, "manager.png"},
                                                                       {{0, 1}, "manager-multiple.png"}};
    for (const auto& [rows, file] : shots) {
        Select(rows);
        const QImage image = w->grab().toImage();
        ASSERT_EQ(image.size(), w->size() * image.devicePixelRatio());
        if (const QByteArray dir = qgetenv("OSTRIVANS_SCREENSHOT_DIR"); !dir.isEmpty()) {
            EXPECT_TRUE(image.save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(file)));
        }
    }
}

} // namespace
