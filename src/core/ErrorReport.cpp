#include "core/ErrorReport.h"

#include "core/Platform.h"

namespace mCore {

std::string_view CurrentProc;
const char* const ProgramTitle = "Glyphfall";

void ReportError(std::string_view description) {
    std::string text = "Error in ";
    text += CurrentProc;
    text += "\r\n\r\n";
    text += description;
    Dialogs().MessageBox(text, ProgramTitle, MessageIcon::None);
}

}  // namespace mCore
