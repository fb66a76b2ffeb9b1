// A session of helpers: the module-wide handlers come with the first helper and go at the end of the
// session; a helper leaves no registration behind; the auto-load pass after an open; the operation code
// guard; render swaps.
#include "host/application/HostInterface.h"
#include "host/scene/SceneEventManager.h"
#include "plugin/frame/OstrivansMessages.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/helper/HelperTestSupport.h"

#include <stdexcept>

namespace {

class HelperSessionTest : public HelperFixture {
protected:
    static bool Registered() { return GetHelperModuleState().handlersRegistered; }
    // Writes the batch brackets and the start of every load into the listener, so their order shows.
    static void OnBatch(void*, NotifyInfo* info) {
        if (info->intcode == NOTIFY_OSTRIVANS_PRE_LOAD) {
            INode* node = static_cast<OstrivansHelper*>(info->callParam)->GetHelperNode();
            mprintf(L"[load %s]\n", node ? node->GetName() : L"?");
            return;
        }
        mputs(info->intcode == NOTIFY_OSTRIVANS_BATCH_OPENED ? L"[batch opened]\n" : L"[batch closing]\n");
    }
    struct BatchLines {
        BatchLines() {
            RegisterNotification(OnBatch, nullptr, NOTIFY_OSTRIVANS_BATCH_OPENED);
            RegisterNotification(OnBatch, nullptr, NOTIFY_OSTRIVANS_BATCH_CLOSING);
            RegisterNotification(OnBatch, nullptr, NOTIFY_OSTRIVANS_PRE_LOAD);
        }
        ~BatchLines() { UnRegisterNotification(OnBatch, nullptr); }
    };
};

TEST_F(HelperSessionTest, TheFirstHelperOfEachSessionRegistersTheModuleHandlers) {
    const int preSave = NumRegisteredNotifications(NOTIFY_FILE_PRE_SAVE);
    const int renamed = NumRegisteredNotifications(NOTIFY_NODE_RENAMED);
    auto endings = {+[] { GetCOREInterface()->FileReset(TRUE); }, +[] { GetCOREInterface()->FileNew(); },
                    +[] {
                        FileIOType scene = IOTYPE_MAX;
                        BroadcastNotification(NOTIFY_FILE_PRE_OPEN, &scene);
                        BroadcastNotification(NOTIFY_FILE_POST_OPEN, &scene);
                    }};
    for (auto end : endings) {
        EXPECT_FALSE(Registered());
        NewHelperNode(L"First");
        NewHelperNode(L"Second");
        EXPECT_TRUE(Registered());
        EXPECT_EQ(NumRegisteredNotifications(NOTIFY_FILE_PRE_SAVE), preSave + 1);
        EXPECT_EQ(NumRegisteredNotifications(NOTIFY_NODE_RENAMED), renamed + 1);
        // Opening a material library keeps the session.
        FileIOType library = IOTYPE_MATLIB;
        BroadcastNotification(NOTIFY_FILE_PRE_OPEN, &library);
        EXPECT_TRUE(Registered());
        BroadcastNotification(NOTIFY_FILE_POST_OPEN, &library);

        HelperModuleState& state = GetHelperModuleState();
        state.batchOpen = true;
        SetCurrentOperation(OperationCode::PostSave);
        state.mergeStack.push_back(L"/refs/a.max");
        end();
        EXPECT_FALSE(Registered());
        EXPECT_EQ(NumRegisteredNotifications(NOTIFY_FILE_PRE_SAVE), preSave);
        EXPECT_EQ(NumRegisteredNotifications(NOTIFY_NODE_RENAMED), renamed);
        EXPECT_FALSE(state.batchOpen);
        EXPECT_EQ(GetCurrentOperation(), OperationCode::None);
        EXPECT_TRUE(state.mergeStack.empty());
        ResetSceneContent();
    }
}

TEST_F(HelperSessionTest, ADeletedHelperLeavesNoRegistrationBehind) {
    NewHelperNode(L"First"); // the module-wide handlers are in place
    const int layerDeleted = NumRegisteredNotifications(NOTIFY_LAYER_DELETED);
    const int postOpen = NumRegisteredNotifications(NOTIFY_FILE_POST_OPEN);
    const int postDeleted = NumRegisteredNotifications(NOTIFY_SCENE_POST_DELETED_NODE);
    const int callbacks = TheSceneEventManager().NumCallbacks();

    auto* pending = new OstrivansHelper(TRUE);
    EXPECT_EQ(NumRegisteredNotifications(NOTIFY_LAYER_DELETED), layerDeleted + 1);
    EXPECT_EQ(NumRegisteredNotifications(NOTIFY_FILE_POST_OPEN), postOpen + 1); // the auto-load pass
    EXPECT_EQ(TheSceneEventManager().NumCallbacks(), callbacks + 1);
    EXPECT_EQ(GetHelperModuleState().registry.size(), 2u);
    pending->DeleteThis();
    EXPECT_EQ(NumRegisteredNotifications(NOTIFY_LAYER_DELETED), layerDeleted);
    EXPECT_EQ(NumRegisteredNotifications(NOTIFY_FILE_POST_OPEN), postOpen);
    EXPECT_EQ(TheSceneEventManager().NumCallbacks(), callbacks);
    EXPECT_EQ(GetHelperModuleState().registry.size(), 1u);

    // Deleting a helper node dismisses the reference; the one-shot clean-up runs after the deletion.
    OstrivansHelper* doomed = NewHelperNode(L"Doomed");
    int refreshes = 0;
    static int* counter = nullptr;
    counter = &refreshes;
    GetHelperModuleState().managerRefresh = [] { ++*counter; };
    listener.Clear();
    GetCOREInterface()->DeleteNode(GetCOREInterface()->GetINodeByName(L"Doomed"));
    EXPECT_EQ(Lines(), "") << "a helper without records has nothing to dismiss";
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(NumRegisteredNotifications(NOTIFY_SCENE_POST_DELETED_NODE), postDeleted);
    EXPECT_EQ(NumRegisteredNotifications(NOTIFY_LAYER_DELETED), layerDeleted);
    EXPECT_EQ(GetHelperModuleState().registry.size(), 1u);
    (void)doomed;
    GetHelperModuleState().managerRefresh = nullptr;
}

// After an open every helper of the file applies its reload policy, in construction order, inside one
// batch; the pending list empties and the pass unregisters itself.
TEST_F(HelperSessionTest, AutoLoadAfterAnOpenRunsTheHelpersInOrderInsideOneBatch) {
    NewHelperNode(L"RefA");
    NewHelperNode(L"RefB")->GetParamBlock()->SetValue(pb_persist_ref, 0, 1); // reload manually: nothing
    NewHelperNode(L"RefC");
    BatchLines batch;
    SaveAndReopen("ostrivans-helper-autoload");
    if (HasFatalFailure()) return;
    std::string order;
    for (OstrivansHelper* h : GetHelperModuleState().registry)
        order += WStr(h->GetHelperNode()->GetName()).ToUTF8() + " ";
    std::string expected = "[batch opened]\n";
    for (OstrivansHelper* h : GetHelperModuleState().registry) {
        const std::string name = WStr(h->GetHelperNode()->GetName()).ToUTF8();
        if (name != "RefB") expected += "[load " + name + "]\n";
    }
    expected += "[batch closing]\n";
    const std::string text = Lines();
    EXPECT_EQ(text.substr(text.find("[batch opened]")), expected) << order;
    EXPECT_EQ(GetHelperModuleState().registry.size(), 3u);
    EXPECT_TRUE(GetHelperModuleState().pendingAutoLoad.empty());
    EXPECT_FALSE(GetHelperModuleState().batchOpen);

    // Inside an open batch (a helper that arrives with a merge) the pass opens none of its own.
    NewHelperNode(L"Merged", TRUE);
    listener.Clear();
    GetHelperModuleState().batchOpen = true;
    BroadcastNotification(NOTIFY_FILE_POST_MERGE_PROCESS, nullptr);
    EXPECT_EQ(Lines(), "[load Merged]\n");
    GetHelperModuleState().batchOpen = false;
}

TEST_F(HelperSessionTest, OperationCodesComeBackAfterNestedOperations) {
    EXPECT_EQ(GetCurrentOperation(), OperationCode::None);
    {
        OperationCodeGuard load(OperationCode::Load);
        {
            OperationCodeGuard batch(OperationCode::BatchOpen);
            EXPECT_EQ(batch.Saved(), OperationCode::Load);
            try {
                OperationCodeGuard renaming(OperationCode::Renaming);
                EXPECT_EQ(GetCurrentOperation(), OperationCode::Renaming);
                throw std::runtime_error("failed");
            } catch (const std::runtime_error&) {
            }
            EXPECT_EQ(GetCurrentOperation(), OperationCode::BatchOpen);
        }
        EXPECT_EQ(GetCurrentOperation(), OperationCode::Load);
        const std::string dump = GetHelperModuleState().Dump();
        EXPECT_NE(dump.find("current operation: 1 (load)\n"), std::string::npos) << dump;
    }
    EXPECT_EQ(GetCurrentOperation(), OperationCode::None);
    // Renaming a helper node renames its prefixed content under code 14, and gives the code back.
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    INode* box = b.Box("Box01").Build();
    h->AppendRefNode(new RefNode(box, h));
    h->GetParamBlock()->SetValue(pb_use_name_prefix, 0, 1);
    EXPECT_EQ(MSTR(box->GetName()), MSTR(L"Ostrivan01_Box01"));
    OperationCode codeDuringRename = OperationCode::None;
    static OperationCode* seenCode = nullptr;
    seenCode = &codeDuringRename;
    NOTIFYPROC probe = [](void*, NotifyInfo* info) {
        if (static_cast<NameChange*>(info->callParam)->node != GetCOREInterface()->GetINodeByName(L"Renamed"))
            *seenCode = GetCurrentOperation();
    };
    RegisterNotification(probe, nullptr, NOTIFY_NODE_RENAMED);
    GetCOREInterface()->GetINodeByName(L"Ostrivan01")->SetName(L"Renamed");
    UnRegisterNotification(probe, nullptr, NOTIFY_NODE_RENAMED);
    EXPECT_EQ(MSTR(box->GetName()), MSTR(L"Renamed_Box01"));
    EXPECT_EQ(codeDuringRename, OperationCode::Renaming);
    EXPECT_EQ(GetCurrentOperation(), OperationCode::None);
    // While an operation runs, renames are not followed.
    {
        OperationCodeGuard load(OperationCode::Load);
        GetCOREInterface()->GetINodeByName(L"Renamed")->SetName(L"Again");
    }
    EXPECT_EQ(MSTR(box->GetName()), MSTR(L"Renamed_Box01"));
    EXPECT_EQ(Lines(), "");
}

TEST_F(HelperSessionTest, RendersSwapOnlyTheHelpersWhoseFilesDifferInOneBatch) {
    OstrivansHelper* swapping = NewHelperNode(L"Swapping");
    swapping->GetParamBlock()->SetValue(pb_filename, 0, L"/refs/main.max");
    swapping->GetParamBlock()->SetValue(pb_proxy_filename, 0, L"/refs/proxy.max");
    swapping->GetParamBlock()->SetValue(pb_use_proxy_in_render, 0, 1);
    OstrivansHelper* same = NewHelperNode(L"Same"); // the proxy everywhere
    {
        AccessorDisabler off(same);
        same->GetParamBlock()->SetValue(pb_proxy_filename, 0, L"/refs/proxy.max");
        same->GetParamBlock()->SetValue(pb_use_proxy_in_viewport, 0, 1);
        same->GetParamBlock()->SetValue(pb_use_proxy_in_render, 0, 1);
    }
    EXPECT_TRUE(swapping->NeedsRenderSwap());
    EXPECT_FALSE(same->NeedsRenderSwap());
    EXPECT_EQ(swapping->GetFileToLoad(), MSTR(L"/refs/main.max"));
    BatchLines batch;
    listener.Clear();
    BroadcastNotification(NOTIFY_PRE_RENDER);
    EXPECT_TRUE(GetHelperModuleState().rendering);
    EXPECT_EQ(swapping->GetFileToLoad(), MSTR(L"/refs/proxy.max"));
    BroadcastNotification(NOTIFY_POST_RENDER);
    EXPECT_FALSE(GetHelperModuleState().rendering);
    const std::string once = "[batch opened]\n[load Swapping]\n[batch closing]\n";
    EXPECT_EQ(Lines(), once + once);
    // A network render server keeps what it loaded.
    listener.Clear();
    GetCOREInterface()->SetNetServer(TRUE);
    BroadcastNotification(NOTIFY_PRE_RENDER);
    BroadcastNotification(NOTIFY_POST_RENDER);
    GetCOREInterface()->SetNetServer(FALSE);
    EXPECT_EQ(Lines(), "");
}

} // namespace
