#pragma once
// The IDE host for tests: byte buffers with an undo stack, files on an
// in-memory disk (falling back to the real one for reading), a menu to
// click and press shortcuts on, the raised messages and the operation log.
//
//   MemoryHost host;
//   host.OpenBuffer("Unit1.pas", "unit Unit1;\r\n...end.\r\n");
//   TIToolServices* services = &host;     // what a package's entry points get
//   ... run the package ...
//   host.Text("Unit1.pas"), host.Log, host.Messages, host.PressShortCut(...)
//
// File names are kept as given (no path resolution).

#include <map>
#include <string>
#include <vector>

#include "platform/ide/HostServices.h"

namespace velt {

class MemoryHost : public THostServices {
public:
    MemoryHost();
    ~MemoryHost() override;

    // Files that OpenFile and OpenProject read and SaveFile writes; a name
    // not here is read from the real disk, and saves never touch it.
    std::map<std::string, std::string> Disk;
    // The answer to the save question of CloseFile for a modified buffer.
    TSaveAnswer CloseAnswer = TSaveAnswer::Save;
    // Every save question asked, by file name.
    std::vector<std::string> SaveQuestions;
    // The visible columns and lines of every view.
    TViewSize ViewSize{80, 25};

    // The bytes of an open buffer (empty when not open).
    std::string Text(const std::string& fileName) const;
    // Replaces an open buffer's bytes outside the undo history (as typing
    // would, it marks the buffer modified).
    void SetText(const std::string& fileName, std::string bytes);
    bool Modified(const std::string& fileName) const;
    // Undo steps of a buffer; Undo takes back the last one.
    int UndoCount(const std::string& fileName) const;
    bool Undo(const std::string& fileName);
    // Caret and first visible line of a buffer, set without logging.
    void SetCursor(const std::string& fileName, TEditPos cursor, TEditPos top = {});
    TEditPos Cursor(const std::string& fileName) const;
    TEditPos Top(const std::string& fileName) const;
    // The project without reading a project file or telling the notifiers.
    void SetProjectUnits(const std::string& projectName, std::vector<std::string> units) {
        SetProject(projectName, std::move(units));
    }

protected:
    std::string ReadFileBytes(const std::string& fileName) override;
    void WriteFileBytes(const std::string& fileName, const std::string& bytes) override;
    std::shared_ptr<TEditBuffer> CreateBuffer(const std::string& fileName, std::string bytes) override;
    void DestroyBuffer(TEditBuffer&) override {}
    void ActivateBuffer(TEditBuffer&) override {}
    TSaveAnswer AskSave(const std::string& fileName) override;
    void ShowError(const std::string&) override {}

private:
    class TMemoryBuffer;
    TMemoryBuffer* Memory(const std::string& fileName) const;
};

}  // namespace velt
