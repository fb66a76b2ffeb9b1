// Every live node record in creation order, heard through one registration for the codes that end a scene.
#pragma once

class RefNode;
struct NotifyInfo;

// A record joins when it is made and leaves when it goes. While any record lives, the roster holds one
// registration per scene-ending code and passes each broadcast to the records in the order they were made,
// as many registrations of their own would: a record that goes meanwhile is not called, and one made
// meanwhile waits for the next broadcast.
class RefNodeRoster {
public:
    static void Join(RefNode* record);
    static void Leave(RefNode* record);

private:
    static void OnSceneEnds(void* param, NotifyInfo* info);
};
