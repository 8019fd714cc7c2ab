#pragma once
// The window manager of velt-palette's topic property sheet. Each opening
// makes the sheet anew from the topic's values, so an edit that was
// cancelled is gone; OK and Cancel close it through HideForm, so that its
// shown and active flags follow.

#include <QPointer>
#include <QWidget>
#include <string>

#include "foundation/ComPtr.h"
#include "helpdoc/GenForm.h"

namespace velt {

class TTopicPropertiesForm;

class TTopicSheetHost : public IWindowManager {
public:
    explicit TTopicSheetHost(QWidget* parent);
    ~TTopicSheetHost();
    TTopicSheetHost(const TTopicSheetHost&) = delete;
    TTopicSheetHost& operator=(const TTopicSheetHost&) = delete;

    // The topic the sheet shows.
    std::string Context = "krVCL_TShape_Class";
    std::string Location = "Shapes.rtf";

    // Closes a sheet still open, then shows a new one.
    TTopicPropertiesForm* Open();
    // The open sheet, or null.
    TTopicPropertiesForm* Sheet() const { return sheet_; }

    HResult QueryInterface(const Guid& iid, void** obj) override;
    int32_t _AddRef() override { return ++refs_; }
    int32_t _Release() override { return --refs_; }  // owned by its window
    void ShowForm(IGenericTirneForm* form) override;
    void HideForm(IGenericTirneForm* form) override;

private:
    void Close();
    QPointer<QWidget> parent_;
    QPointer<TTopicPropertiesForm> sheet_;
    ComPtr<IGenericTirneForm> form_;
    int32_t refs_ = 0;
};

}  // namespace velt
