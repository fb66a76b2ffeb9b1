// A fixture for the manager window's tests: three references on files of the test's own, the window
// opened by the script global, its widgets found by name and its table read as text rows.
#pragma once

#include "host/core/Hold.h"
#include "plugin/script/OstrivansInterface.h"
#include "plugin/ui/ManagerWindow.h"
#include "plugin/ui/OstrivansQtManager.h"
#include "tests/plugin/helper/HelperTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

class ManagerFixture : public ReferenceFileFixture {
protected:
    void SetUp() override {
        ReferenceFileFixture::SetUp();
        house = WriteHouse("house");
        walls = WriteWalls("walls");
        tree = WriteFile("tree", [&] { b.Box("Tree01").Build(); });
        proxy = WriteFile("tree_proxy", [&] { b.Box("TreeProxy").Build(); });
    }
    void TearDown() override {
        // The window goes as at the module's unload, so each test opens a fresh one.
        DestroyManagerWindow();
        InstallManagerWindow();
        ip->Services().ForgetAnswers();
        ReferenceFileFixture::TearDown();
    }

    // The three references (house, walls, tree with its proxy) and the window, opened as scripts open it.
    OstrivansQtManager* OpenWithThree() {
        OstrivansInterface& fp = GetOstrivansInterface();
        fp.AddOstrivan(house.data(), L"", true, true, false, false);
        fp.AddOstrivan(walls.data(), L"", true, false, false, false);
        fp.AddOstrivan(tree.data(), proxy.data(), true, true, true, false);
        return Open();
    }
    OstrivansQtManager* Open() {
        EXPECT_TRUE(ExecuteMAXScriptScript(L"OpenOstrivansManager()", MAXScript::ScriptSource::NonEmbedded, FALSE));
        return GetManagerWindow();
    }
    template <class W = QWidget> W* Find(const char* name) {
        W* w = GetManagerWindow()->findChild<W*>(QLatin1String(name));
        EXPECT_TRUE(w) << name;
        return w;
    }
    QTableWidget* Table() { return Find<QTableWidget>("References"); }
    // Each row as "name|On|PV|PR|file stem|proxy stem".
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        QTableWidget* t = Table();
        for (int r = 0; r < t->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < t->columnCount(); ++c) {
                const QString text = t->item(r, c) ? t->item(r, c)->text() : QStringLiteral("?");
                cells.append(c >= 4 ? QFileInfo(text).completeBaseName() : text);
            }
            rows.push_back(cells.join(QLatin1Char('|')).toStdString());
        }
        return rows;
    }
    void Select(const std::vector<int>& rows) {
        QTableWidget* t = Table();
        t->clearSelection();
        for (int r : rows) t->selectionModel()->select(t->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // Runs a command the way the user does: the menu entry, or the tool button.
    void Run(const std::string& command, bool button) {
        if (button) QTest::mouseClick(Find<QToolButton>(("Button" + command).c_str()), Qt::LeftButton);
        else Find<QAction>(("Action" + command).c_str())->trigger();
    }
    static void Settle() { QCoreApplication::processEvents(); }

    MSTR house, walls, tree, proxy;
};
