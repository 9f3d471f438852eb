#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace dq {

// Parses a list of whole numbers such as "2,5,7-9" (blanks allowed) into ascending,
// distinct numbers within [min, max]. Returns nothing and sets error on bad input.
std::optional<std::vector<int>> parseNumberList(const QString &text, int min, int max, QString *error = nullptr);

} // namespace dq
