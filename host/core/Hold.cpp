// The undo system: an open hold collects restore objects in one flat list with a start mark per nesting
// level; the outermost Accept turns the list into a named step of the undo buffer.
#include "host/core/Hold.h"

#include <deque>
#include <utility>
#include <vector>

namespace {
constexpr int kDefaultMaxUndoSteps = 20;

struct Step {
    MSTR name;
    std::vector<RestoreObj*> objects;
};

void DeleteAll(std::vector<RestoreObj*>& objects) {
    std::vector<RestoreObj*> doomed;
    doomed.swap(objects);
    for (RestoreObj* rob : doomed) delete rob;
}

void DeleteSteps(std::deque<Step>& steps) {
    std::deque<Step> doomed;
    doomed.swap(steps);
    for (Step& s : doomed) DeleteAll(s.objects);
}
} // namespace

struct Hold::Impl {
    // Objects of every open level, oldest first; marks[i] is where level i (0 = outermost) starts.
    std::vector<RestoreObj*> objects;
    std::vector<size_t> marks;
    int suspended = 0;
    int restoring = 0;
    int redoing = 0;
    int maxSteps = kDefaultMaxUndoSteps;
    // Newest step at the back of both buffers.
    std::deque<Step> undo;
    std::deque<Step> redo;
    // Bumped by ClearUndoBuffer, so an undo or redo that runs while the buffer is cleared drops its step
    // instead of filing it back.
    unsigned generation = 0;

    void Trim(std::deque<Step>& steps) {
        while (static_cast<int>(steps.size()) > maxSteps) {
            Step oldest = std::move(steps.front());
            steps.pop_front();
            DeleteAll(oldest.objects);
        }
    }

    // Takes the objects of the innermost level out of the hold.
    std::vector<RestoreObj*> TakeInnermost() {
        size_t start = marks.back();
        marks.pop_back();
        if (start > objects.size()) start = objects.size();
        std::vector<RestoreObj*> taken(objects.begin() + static_cast<std::ptrdiff_t>(start), objects.end());
        objects.resize(start);
        return taken;
    }
};

Hold theHold;

Hold::Hold() : impl_(new Impl) {}

Hold::~Hold() {
    // The process-wide hold keeps its steps at exit: their restore objects may point at scene objects
    // and tables that static destruction has already taken down.
    if (this == &theHold) return;
    ClearUndoBuffer();
    delete impl_;
}

void Hold::Begin() { impl_->marks.push_back(impl_->objects.size()); }

void Hold::Accept(const MCHAR* name) {
    Impl& d = *impl_;
    if (d.marks.empty()) return;
    if (d.marks.size() > 1) {
        // The inner level's objects simply stay in the list and now belong to the enclosing level.
        d.marks.pop_back();
        return;
    }
    std::vector<RestoreObj*> objects = d.TakeInnermost();
    // The hold is closed before EndHold runs, so what EndHold changes is not recorded into this step.
    const unsigned generation = d.generation;
    for (RestoreObj* rob : objects) rob->EndHold();
    if (objects.empty()) return;
    if (d.generation != generation) {
        // EndHold cleared the buffer: the step goes with it.
        DeleteAll(objects);
        return;
    }
    DeleteSteps(d.redo);
    if (d.maxSteps <= 0) {
        DeleteAll(objects);
        return;
    }
    d.undo.push_back(Step{MSTR(name ? name : L""), std::move(objects)});
    d.Trim(d.undo);
}

void Hold::Cancel() {
    Impl& d = *impl_;
    if (d.marks.empty()) return;
    std::vector<RestoreObj*> objects = d.TakeInnermost();
    ++d.restoring;
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) (*it)->Restore(0);
    --d.restoring;
    for (RestoreObj* rob : objects) rob->EndHold();
    DeleteAll(objects);
}

void Hold::Restore() {
    Impl& d = *impl_;
    if (d.marks.empty()) return;
    size_t start = d.marks.back();
    if (start >= d.objects.size()) return;
    // A copy: nothing can be put while restoring, but a restore object may clear the buffer.
    std::vector<RestoreObj*> objects(d.objects.begin() + static_cast<std::ptrdiff_t>(start), d.objects.end());
    const unsigned generation = d.generation;
    ++d.restoring;
    for (auto it = objects.rbegin(); it != objects.rend() && d.generation == generation; ++it) (*it)->Restore(0);
    --d.restoring;
}

void Hold::Put(RestoreObj* rob) {
    if (!rob) return;
    if (!Holding()) {
        delete rob;
        return;
    }
    // A new change makes the redo buffer meaningless. It goes before the change is recorded: a redo
    // step may own a target that this change deletes again, and dropping that step later would free the
    // target under the new step's feet.
    if (impl_->objects.empty()) DeleteSteps(impl_->redo);
    impl_->objects.push_back(rob);
}

int Hold::Holding() const {
    const Impl& d = *impl_;
    return !d.marks.empty() && d.suspended == 0 && d.restoring == 0 && d.redoing == 0;
}

void Hold::Suspend() { ++impl_->suspended; }

void Hold::Resume() {
    if (impl_->suspended > 0) --impl_->suspended;
}

int Hold::IsSuspended() const { return impl_->suspended > 0; }
int Hold::Restoring() const { return impl_->restoring > 0; }
int Hold::Redoing() const { return impl_->redoing > 0; }
int Hold::GetBeginDepth() const { return static_cast<int>(impl_->marks.size()); }

bool Hold::Undo() {
    Impl& d = *impl_;
    // Undo belongs to the user's command loop: never inside an open hold or another undo or redo.
    if (d.undo.empty() || !d.marks.empty() || d.restoring || d.redoing) return false;
    Step step = std::move(d.undo.back());
    d.undo.pop_back();
    const unsigned generation = d.generation;
    ++d.restoring;
    for (auto it = step.objects.rbegin(); it != step.objects.rend(); ++it) (*it)->Restore(1);
    --d.restoring;
    if (d.generation != generation || d.maxSteps <= 0) {
        DeleteAll(step.objects);
        return true;
    }
    d.redo.push_back(std::move(step));
    d.Trim(d.redo);
    return true;
}

bool Hold::Redo() {
    Impl& d = *impl_;
    if (d.redo.empty() || !d.marks.empty() || d.restoring || d.redoing) return false;
    Step step = std::move(d.redo.back());
    d.redo.pop_back();
    const unsigned generation = d.generation;
    ++d.redoing;
    for (RestoreObj* rob : step.objects) rob->Redo();
    --d.redoing;
    if (d.generation != generation || d.maxSteps <= 0) {
        DeleteAll(step.objects);
        return true;
    }
    d.undo.push_back(std::move(step));
    d.Trim(d.undo);
    return true;
}

int Hold::NumUndoSteps() const { return static_cast<int>(impl_->undo.size()); }
int Hold::NumRedoSteps() const { return static_cast<int>(impl_->redo.size()); }

MSTR Hold::UndoStepName(int i) const {
    const auto& steps = impl_->undo;
    if (i < 0 || i >= static_cast<int>(steps.size())) return MSTR();
    return steps[steps.size() - 1 - static_cast<size_t>(i)].name;
}

MSTR Hold::RedoStepName(int i) const {
    const auto& steps = impl_->redo;
    if (i < 0 || i >= static_cast<int>(steps.size())) return MSTR();
    return steps[steps.size() - 1 - static_cast<size_t>(i)].name;
}

void Hold::ClearUndoBuffer() {
    Impl& d = *impl_;
    ++d.generation;
    // What the open holds collected goes too: it may point at content that is about to be destroyed.
    // The levels stay open, now empty.
    std::vector<RestoreObj*> open;
    open.swap(d.objects);
    for (size_t& m : d.marks) m = 0;
    std::deque<Step> undo;
    std::deque<Step> redo;
    undo.swap(d.undo);
    redo.swap(d.redo);
    // Destructors may call back into the hold; the buffers are already consistent and empty.
    DeleteAll(open);
    DeleteSteps(undo);
    DeleteSteps(redo);
}

void Hold::SetMaxUndoSteps(int n) {
    Impl& d = *impl_;
    d.maxSteps = n < 0 ? 0 : n;
    d.Trim(d.undo);
    d.Trim(d.redo);
}

int Hold::GetMaxUndoSteps() const { return impl_->maxSteps; }

MSTR Hold::Dump() const {
    const Impl& d = *impl_;
    MSTR out = MSTR::Format(L"depth %d, suspended %d, restoring %d, redoing %d, open objects %d, max steps %d\n",
                            static_cast<int>(d.marks.size()), d.suspended, d.restoring, d.redoing,
                            static_cast<int>(d.objects.size()), d.maxSteps);
    for (size_t i = d.undo.size(); i-- > 0;)
        out += MSTR::Format(L"undo \"%s\" (%d)\n", d.undo[i].name.data(), static_cast<int>(d.undo[i].objects.size()));
    for (size_t i = d.redo.size(); i-- > 0;)
        out += MSTR::Format(L"redo \"%s\" (%d)\n", d.redo[i].name.data(), static_cast<int>(d.redo[i].objects.size()));
    return out;
}

void Hold::ResetForTests() {
    ClearUndoBuffer();
    Impl& d = *impl_;
    d.marks.clear();
    d.suspended = 0;
    d.restoring = 0;
    d.redoing = 0;
    d.maxSteps = kDefaultMaxUndoSteps;
}
