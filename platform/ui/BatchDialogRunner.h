#pragma once
// The dialog runner of a batch run (a start-up check, a screenshot): no
// dialog waits for an answer. Each is reported on standard error as
// "PROGRAM: dialog "TITLE"[: TEXT] (cancelled)", except one named by an
// answer "TITLE|NAME=VALUE|...": its line edits named NAME take VALUE and
// its default button is pressed (for start-up checks that log on).

#include <QStringList>
#include <string>
#include <vector>

#include "platform/ui/DialogRunner.h"

namespace velt {

class TBatchDialogRunner : public TDialogRunner {
public:
    TBatchDialogRunner(std::string program, const std::vector<std::string>& answers);
    int Run(QDialog& dialog) override;

private:
    int Answer(QDialog& dialog, const QStringList& answer) const;

    std::string program_;
    std::vector<QStringList> answers_;
};

}  // namespace velt
