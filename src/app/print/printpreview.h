#pragma once

#include <functional>

class QWidget;

namespace dq {

class SheetLayout;
class UserPrompts;

// What "&Print && Preview" does with a composed page. The program opens a print preview
// from which the user prints through the system print dialog; tests put a recorder here.
using PreviewHandler = std::function<void(const SheetLayout &sheet)>;

// The program's handler: a modal print preview on a Letter-size printer set up from the
// sheet's page setup. A printer that cannot be painted on is reported through prompts.
PreviewHandler printPreviewHandler(UserPrompts &prompts, QWidget *parent);

} // namespace dq
