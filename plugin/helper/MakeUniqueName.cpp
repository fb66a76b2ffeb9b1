// The numbering rule for clashing material names.
#include "plugin/helper/MakeUniqueName.h"

#include <algorithm>
#include <string>

void MakeUniqueName(MSTR& name) {
    std::wstring& s = name.str();
    size_t start = s.size();
    while (start > 0 && s[start - 1] >= L'0' && s[start - 1] <= L'9')
        --start;
    const size_t oldWidth = s.size() - start;
    if (oldWidth == 0) {
        s += L"001";
        return;
    }
    // Decimal addition on the digits themselves: a run of any length counts up without overflow.
    std::wstring digits = s.substr(start);
    size_t i = digits.size();
    while (i > 0 && digits[i - 1] == L'9')
        digits[--i] = L'0';
    if (i == 0)
        digits.insert(digits.begin(), L'1');
    else
        ++digits[i - 1];
    // The value written without the old run's leading zeros, then padded back to the width.
    const size_t firstNonZero = std::min(digits.find_first_not_of(L'0'), digits.size() - 1);
    digits.erase(0, firstNonZero);
    const size_t width = std::max<size_t>(oldWidth, 3);
    if (digits.size() < width) digits.insert(0, width - digits.size(), L'0');
    s.replace(start, std::wstring::npos, digits);
}
