// The last step an operation reached, kept as a string-table id, so a failure report can name it.
#pragma once

#include "host/core/WStr.h"

class StepMarks {
public:
    void Mark(int stringId) { last_ = stringId; }
    // 0 before the first mark.
    int Last() const { return last_; }
    // The step's text from the string table; "" before the first mark.
    MSTR LastName() const;
    // head + "\nLastOperation: " + the last step's name, then "\n\n" + detail when there is a detail.
    MSTR FailureText(const MSTR& head, const MSTR* detail) const;

private:
    int last_ = 0;
};
