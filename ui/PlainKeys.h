// The keys of a plain text box for Scintilla's command set.
#pragma once

#include <Qsci/qscicommandset.h>

namespace orvane::ui {

// The keys of a plain text box and nothing more: Scintilla's own bindings
// (duplicate line, transpose, change case, zoom...) would change a list
// without the user knowing why.
void BindPlainKeys(QsciCommandSet& commands);

}  // namespace orvane::ui
