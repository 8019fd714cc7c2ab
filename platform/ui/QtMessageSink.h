#pragma once
// Messages to the user as message boxes, run through the dialog runner.

#include <string_view>

#include "foundation/CommMsg.h"

class QString;
class QWidget;

namespace velt {

class TQtMessageSink : public TMessageSink {
public:
    void Info(std::string_view text) override;     // information box "Info"
    void Warning(std::string_view text) override;  // warning box "Warning"
    void Line(std::string_view text) override;     // a box shows no plain lines
    bool Query(std::string_view text) override;    // question box "Query", Yes/No
    void Beep() override;
};

// A question box with Yes (the default) and No; true only for Yes. Escape
// answers No.
bool AskYesNo(const QString& caption, const QString& text, QWidget* parent = nullptr);

}  // namespace velt
