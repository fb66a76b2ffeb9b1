// Step marks of the helper's operations.
#include "plugin/frame/StepMarks.h"

#include "plugin/frame/StringTable.h"

MSTR StepMarks::LastName() const {
    const MCHAR* name = last_ ? GetString(last_) : nullptr;
    return MSTR(name ? name : L"");
}

MSTR StepMarks::FailureText(const MSTR& head, const MSTR* detail) const {
    MSTR text = head + L"\nLastOperation: " + LastName();
    if (detail) text += L"\n\n" + *detail;
    return text;
}
