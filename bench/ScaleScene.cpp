// The scale scene generator.
#include "bench/ScaleScene.h"

#include "host/core/ClassDirectory.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/ILayer.h"
#include "host/scene/INode.h"
#include "host/scene/Modifier.h"
#include "host/scene/Mtl.h"
#include "host/scene/Object.h"
#include "host/scene/objects/ObjectClasses.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

void BuildScaleScene(Interface* ip, int n) {
    ILayerManager* lm = ip->GetLayerManager();
    std::vector<ILayer*> layers;
    for (int i = 0; i < 5; ++i) layers.push_back(lm->CreateLayer(WStr::Format(L"Layer%d", i)));
    std::vector<Mtl*> materials;
    for (int i = 0; i <= n / 10; ++i) {
        Mtl* m = NewDefaultStdMat();
        m->SetName(WStr::Format(L"Material%d", i));
        materials.push_back(m);
    }
    INode* previous = nullptr;
    for (int i = 0; i < n; ++i) {
        auto* box = static_cast<Object*>(CreateInstance(GEOMOBJECT_CLASS_ID, BOX_OBJECT_CLASS_ID));
        IDerivedObject* stack = CreateDerivedObject(box);
        stack->AddModifier(static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, BEND_MODIFIER_CLASS_ID)));
        INode* node = ip->CreateObjectNode(stack);
        node->SetName(WStr::Format(L"Node%d", i).c_str());
        node->SetMtl(materials[static_cast<size_t>(i / 10)]);
        layers[static_cast<size_t>(i % 5)]->AddToLayer(node);
        if (previous && i % 10 == 9) previous->AttachChild(node, FALSE);
        previous = node;
    }
}

const MSTR& ScaleSceneFile(int n) {
    static std::map<int, MSTR> files;
    auto it = files.find(n);
    if (it != files.end()) return it->second;
    Interface* ip = GetCOREInterface();
    ip->FileReset(TRUE);
    BuildScaleScene(ip, n);
    const auto file = std::filesystem::temp_directory_path() / ("ostrivans-bench-" + std::to_string(n) + ".max");
    const MSTR path = WStr::FromUTF8(file.string());
    if (!ip->SaveToFile(path.c_str())) std::abort();
    ip->FileReset(TRUE);
    return files.emplace(n, path).first->second;
}
