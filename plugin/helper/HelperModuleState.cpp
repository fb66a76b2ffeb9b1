// The module-wide state shared by all helpers.
#include "plugin/helper/HelperModuleState.h"

#include "host/scene/INode.h"
#include "plugin/frame/ModuleState.h"
#include "plugin/helper/OstrivansHelper.h"

#include <sstream>

namespace {

std::string HelperName(OstrivansHelper* h) {
    INode* node = h ? h->GetHelperNode() : nullptr;
    return node ? WStr(node->GetName()).ToUTF8() : std::string("<no node>");
}

std::string HelperList(const std::vector<OstrivansHelper*>& helpers) {
    std::string s = std::to_string(helpers.size()) + " [";
    for (size_t i = 0; i < helpers.size(); ++i)
        s += (i ? ", " : "") + HelperName(helpers[i]);
    return s + "]";
}

std::string NameList(const std::vector<WStr>& names) {
    std::string s = std::to_string(names.size()) + " [";
    for (size_t i = 0; i < names.size(); ++i)
        s += (i ? ", \"" : "\"") + names[i].ToUTF8() + "\"";
    return s + "]";
}

const char* YesNo(bool b) {
    return b ? "yes" : "no";
}

} // namespace

std::string HelperModuleState::Dump() const {
    std::ostringstream os;
    os << "registry: " << HelperList(registry) << "\n";
    os << "pending auto-load: " << HelperList(pendingAutoLoad) << "\n";
    os << "merge stack: " << NameList(mergeStack) << "\n";
    os << "batch open: " << YesNo(batchOpen) << "\n";
    os << "current operation: " << GetCurrentOperation() << "\n";
    os << "rendering: " << YesNo(rendering) << "\n";
    os << "modifier changing: " << YesNo(modifierChanging) << "\n";
    os << "file opening: " << YesNo(IsSceneFileOpening()) << "\n";
    os << "nesting counter: " << nestingCounter << "\n";
    os << "file process type: " << fileProcessType << "\n";
    os << "handlers registered: " << YesNo(handlersRegistered) << "\n";
    os << "removing references: " << YesNo(removingReferences) << "\n";
    os << "save references as merged: " << YesNo(saveRefsAsMerged) << "\n";
    os << "selection sets: " << NameList(selectionSetNames) << "\n";
    os << "last error: " << (lastErrorText.isNull() ? std::string("none") : lastErrorText.ToUTF8()) << "\n";
    return os.str();
}

void HelperModuleState::Clear() {
    registry.clear();
    pendingAutoLoad.clear();
    mergeStack.clear();
    batchOpen = false;
    SetCurrentOperation(OperationCode::None);
    rendering = false;
    modifierChanging = false;
    nestingCounter = 0;
    fileProcessType = 0;
    handlersRegistered = false;
    removingReferences = false;
    saveRefsAsMerged = false;
    selectionSetNames.clear();
    lastErrorText = WStr();
}

HelperModuleState& GetHelperModuleState() {
    static HelperModuleState state;
    return state;
}
