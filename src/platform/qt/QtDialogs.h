#pragma once
// Message and input boxes as Qt dialogs. Installed as mCore's dialogs when a display is
// available; the first box creates the Qt application if nothing has yet.
#include "core/Platform.h"

namespace platform::qt {

class QtDialogs final : public mCore::iDialogs {
public:
    void MessageBox(std::string_view text, std::string_view title, mCore::MessageIcon icon) override;
    std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                        std::string_view defaultText) override;
};

// Windows-style line breaks (CR LF) as the single line feed Qt's labels expect.
std::string ToDisplayText(std::string_view text);

}  // namespace platform::qt
